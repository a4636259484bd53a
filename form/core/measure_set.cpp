#include "measure_set.h"

#include "bounded_conversion.h"
#include "codes.h"
#include "measure_readout.h"
#include "units.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

constexpr const char* kSourceLabels[kMeasureSources] = {"Ch1 : ", "Ch2 : ", "Math : "};
constexpr const char* kSourceCsv[kMeasureSources] = {"Ch1,", "Ch2,", "Math,"};
constexpr int kSourceColours[kMeasureSources] = {0x00FF00, 0x00FFFF, 0x0000FF};

// The display row of the channel's zero line as the library takes it: truncated toward zero
// and reduced to 16 bits like the integer it passes through.
unsigned short centreRow(double offset) {
    if (!std::isfinite(offset)) return 0;
    return static_cast<unsigned short>(boundedTruncation<int>(offset, INT_MIN, INT_MAX, 0));
}

} // namespace

MeasureSet::MeasureSet() : d_results{}, d_wave(std::make_unique<unsigned char[][kMeasureRows]>(kMeasureColumns)) {}

bool MeasureSet::AddMeasureItem(int source_, int slot_) {
    if (int(d_items.size()) >= kMeasureLines) return false;
    if (source_ < 1 || source_ > kMeasureSources || slot_ < 0 || slot_ >= kMeasureSlots) return false;
    d_items.push_back({source_ - 1, slot_});
    MarkEnabledMeasurements();
    if (!d_measured[source_ - 1][slot_]) d_pending[source_ - 1] = true;
    return true;
}

void MeasureSet::MarkEnabledMeasurements() {
    for (const MeasureItem& item : d_items) d_results[item.source].enable[item.slot] = true;
}

bool MeasureSet::DeleteMeasureItem(int index_) {
    if (index_ < 0 || index_ >= int(d_items.size())) return false;
    d_items.erase(d_items.begin() + index_);
    return true;
}

void MeasureSet::DeleteLastMeasureItem() {
    if (!d_items.empty()) d_items.pop_back();
}

void MeasureSet::DeleteAllMeasureItems() {
    while (!d_items.empty()) DeleteLastMeasureItem();
}

void MeasureSet::UpdateMeasurements(const ToolWindowKernel& kernel_, const unsigned char* ch1_,
                                    const unsigned char* ch2_, const unsigned char* math_, int upper_, int lower_,
                                    bool redrawn_) {
    ++d_counter;
    const unsigned char* images[kMeasureSources] = {ch1_, ch2_, math_};
    for (int source = 0; source < kMeasureSources; ++source) {
        const int ch = source + _CH1;
        measurement_results& set = d_results[source];
        if (!kernel_.channelOn(ch)) {
            std::fill(std::begin(set.result), std::end(set.result), 0.0);
            std::fill(std::begin(d_measured[source]), std::end(d_measured[source]), true);
            d_pending[source] = false;
            continue;
        }
        if (images[source] == nullptr) continue;
        if (!isMeasureCycle(d_counter, source) && !redrawn_ && !d_pending[source]) continue;
        transposeDisplayImage(images[source], kernel_.displayWidth(), kernel_.displayHeight(), d_wave.get());
        dropFadedPixels(kernel_.fadedIntensityMax(), kernel_.hitIntensityMin(), d_wave.get());
        // Codes without a table entry give 0 per division, which the library turns into 0.
        const float voltDiv = float(volt_per_div(kernel_.voltageDiv(ch)));
        const double timeDiv = sec_per_div(kernel_.timeDiv());
        d_measure.measure_all(d_wave.get(), centreRow(kernel_.voltageOffset(ch)), voltDiv, timeDiv, set.enable,
                              set.result, upper_, lower_, d_measured[source]);
        d_pending[source] = false;
    }
    if (d_counter == INT_MAX) d_counter = 0;
}

void dropFadedPixels(int fadedMax, int hitMin, unsigned char (*wave)[kMeasureRows]) {
    // Only when the two cannot overlap: at a long persistence or a dim intensity the earlier
    // records stay in what is measured, as they stay on the screen.
    if (fadedMax <= 0 || hitMin <= fadedMax) return;
    unsigned char* bytes = wave[0];
    const auto limit = static_cast<unsigned char>(std::min(fadedMax, 255));
    for (std::size_t i = 0; i < std::size_t(kMeasureColumns) * kMeasureRows; ++i)
        bytes[i] = bytes[i] > limit ? bytes[i] : 0;
}

namespace {

// An 8 x 8 block of bytes, row r in rows[r] (column c in its byte c, little-endian), turned
// so that rows[c] holds column c: swaps of bytes, byte pairs, then byte quads.
void transposeBlock(std::uint64_t rows[8]) {
    for (int r = 0; r < 8; r += 2) {
        const std::uint64_t t = ((rows[r] >> 8) ^ rows[r + 1]) & 0x00FF00FF00FF00FFull;
        rows[r + 1] ^= t;
        rows[r] ^= t << 8;
    }
    for (int r : {0, 1, 4, 5}) {
        const std::uint64_t t = ((rows[r] >> 16) ^ rows[r + 2]) & 0x0000FFFF0000FFFFull;
        rows[r + 2] ^= t;
        rows[r] ^= t << 16;
    }
    for (int r = 0; r < 4; ++r) {
        const std::uint64_t t = ((rows[r] >> 32) ^ rows[r + 4]) & 0x00000000FFFFFFFFull;
        rows[r + 4] ^= t;
        rows[r] ^= t << 32;
    }
}

} // namespace

void transposeDisplayImage(const unsigned char* image, int width, int height, unsigned char (*wave)[kMeasureRows]) {
    const int columns = std::clamp(width, 0, kMeasureColumns);
    const int rows = std::clamp(height, 0, kMeasureRows);
    for (int c = 0; c < kMeasureColumns; ++c) std::fill(wave[c] + (c < columns ? rows : 0), wave[c] + kMeasureRows, 0);
    auto pixel = [&](int r, int c) { return image[std::size_t(r) * std::size_t(width) + std::size_t(c)]; };
    // Column by column the image is read 500 bytes apart: in 8 x 8 blocks instead, eight
    // words read and eight written.
    int blockRows = 0, blockColumns = 0;
    if constexpr (std::endian::native == std::endian::little) {
        blockRows = rows / 8 * 8;
        blockColumns = columns / 8 * 8;
        std::uint64_t block[8];
        for (int r0 = 0; r0 < blockRows; r0 += 8)
            for (int c0 = 0; c0 < blockColumns; c0 += 8) {
                for (int i = 0; i < 8; ++i)
                    std::memcpy(&block[i], image + std::size_t(r0 + i) * std::size_t(width) + std::size_t(c0), 8);
                transposeBlock(block);
                for (int k = 0; k < 8; ++k) std::memcpy(wave[c0 + k] + r0, &block[k], 8);
            }
    }
    // What the blocks leave: the last rows under every column, the last columns above them.
    for (int c = 0; c < columns; ++c)
        for (int r = blockRows; r < rows; ++r) wave[c][r] = pixel(r, c);
    for (int c = blockColumns; c < columns; ++c)
        for (int r = 0; r < blockRows; ++r) wave[c][r] = pixel(r, c);
}

double MeasureSet::displayedValue(const ToolWindowKernel& kernel_, const MeasureItem& item_, bool forCsv_) const {
    const double value = d_results[item_.source].result[item_.slot];
    if (item_.slot > _MEASURE_N_OVERSHOOT) return value;
    const int ch = item_.source + _CH1;
    if (item_.source == _MEASURE_SOURCE_MATH) return forCsv_ ? value : value * kernel_.probeAttenuation(ch);
    return value * kernel_.probeAttenuation(ch) * kernel_.scaleFactor(ch);
}

std::array<MeasureLine, kMeasureLines> MeasureSet::labelLines(const ToolWindowKernel& kernel_) const {
    std::array<MeasureLine, kMeasureLines> lines;
    for (std::size_t i = 0; i < d_items.size() && i < lines.size(); ++i) {
        const MeasureItem& item = d_items[i];
        lines[i].text = std::string(kSourceLabels[item.source]) + std::string(measureLongNames[item.slot]) + "=";
        if (measured(item.source, item.slot))
            lines[i].text += formatMeasureValue(displayedValue(kernel_, item, false), item.slot);
        lines[i].colour = kSourceColours[item.source];
    }
    return lines;
}

std::string MeasureSet::csvText(const ToolWindowKernel& kernel_) const {
    std::string text;
    for (const MeasureItem& item : d_items) {
        text += std::string(kSourceCsv[item.source]) + std::string(measureShortNames[item.slot]) + "=,";
        if (measured(item.source, item.slot))
            text += formatMeasureCsvValue(displayedValue(kernel_, item, true), item.slot);
        text += "\n";
    }
    return text;
}
