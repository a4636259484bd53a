#pragma once
// The spectrum window's spreadsheet export, kept in a unit of its own.

#include <vector>

// export_fft_to_excel on N = size_, the scale and the two magnitude arrays (N/2 bins each, or
// empty before the first spectrum). True when the export went through.
bool exportFftToExcel(int size_, bool linear_, const std::vector<float>& lin_, const std::vector<float>& dB_);
