#include "fft_excel_export.h"

#include "data_export.h"

bool exportFftToExcel(int size_, bool linear_, const std::vector<float>& lin_, const std::vector<float>& dB_) {
    SpectrumExportRecord record;
    record.N = size_;
    record.linear = linear_;
    // Arrays shorter than N/2 (no spectrum yet) are not handed over.
    const std::size_t bins = std::size_t(size_ > 0 ? size_ / 2 : 0);
    record.lin = lin_.size() >= bins && !lin_.empty() ? lin_.data() : nullptr;
    record.dB = dB_.size() >= bins && !dB_.empty() ? dB_.data() : nullptr;
    return export_fft_to_excel(record);
}
