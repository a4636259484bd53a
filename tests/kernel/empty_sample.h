#pragma once

// The raw code of an empty sample: short, for the tables of the transform tests.
constexpr short E = 4096;
