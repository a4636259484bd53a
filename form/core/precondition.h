#pragma once
// Preconditions of the program side: a broken one names the expression, the source file and
// the line on stderr and ends the program. Kept in release builds, unlike assert().

#include <cstdio>
#include <cstdlib>

[[noreturn]] inline void preconditionFailed(const char* expression, const char* file, int line) {
    std::fprintf(stderr, "Assertion failed: %s, file %s, line %d\n", expression, file, line);
    std::fflush(stderr);
    std::abort();
}

// `expression` is the text shown; it may be shorter than the test (e.g. without a lower bound).
inline void require(bool ok, const char* expression, const char* file, int line) {
    if (!ok) preconditionFailed(expression, file, line);
}
