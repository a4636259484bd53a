#include "calibration_image.h"

#include "sim_records_hardware.h"

#include <cmath>
#include <vector>

namespace {

// The words of the memory, by page address and word number.
class PageWriter {
public:
    PageWriter() { d_words.fill(0xFFFF); }

    void put(int page, int word, std::uint16_t value) { d_words[static_cast<size_t>(page / 2 + word)] = value; }
    // Consecutive words from (page, word) on.
    void run(int page, int word, const std::vector<std::uint16_t>& values) {
        for (std::uint16_t v : values) put(page, word++, v);
    }
    // Words of array `values` from index `first` to `last`.
    template <typename T, typename Encode>
    void span(int page, int word, const T& values, int first, int last, Encode encode) {
        for (int i = first; i <= last; ++i) put(page, word++, encode(values[static_cast<size_t>(i)]));
    }
    // The three group words (volt/div runs 0..4, 5..7, 8..10) of an array.
    template <typename T, typename Encode>
    void groups(int page, int word, const T& values, Encode encode) {
        for (int first : {0, 5, 8}) put(page, word++, encode(values[static_cast<size_t>(first)]));
    }

    CalibrationImage::Bytes bytes() const {
        CalibrationImage::Bytes out{};
        for (size_t i = 0; i < d_words.size(); ++i) {
            out[2 * i] = static_cast<unsigned char>(d_words[i] >> 8);
            out[2 * i + 1] = static_cast<unsigned char>(d_words[i] & 0xFF);
        }
        return out;
    }

private:
    std::array<std::uint16_t, CalibrationImage::SIZE / 2> d_words{};
};

} // namespace

std::uint16_t CalibrationImage::intWord(int value) { return static_cast<std::uint16_t>(value & 0xFFFF); }

std::uint16_t CalibrationImage::fixed3Word(double value) {
    const double magnitude = std::fabs(value);
    const int whole = static_cast<int>(magnitude) & 0xFF;
    const int thousandths = static_cast<int>((magnitude - whole) * 1000.0);
    return static_cast<std::uint16_t>((value >= 0 ? 0x8000 : 0x4000) | ((whole & 0x0F) << 10) | (thousandths & 0x3FF));
}

std::uint16_t CalibrationImage::fixed4Word(double value) {
    const double magnitude = std::fabs(value);
    const int whole = static_cast<int>(magnitude);
    const int tenThousandths = static_cast<int>((magnitude - whole) * 10000.0);
    return static_cast<std::uint16_t>((value >= 0 ? 0x8000 : 0) | (whole == 1 ? 0x4000 : 0) |
                                      (tenThousandths & 0x3FFF));
}

CalibrationImage::Bytes CalibrationImage::erasedImage() {
    Bytes b;
    b.fill(0xFF);
    return b;
}

CalibrationImage::Bytes CalibrationImage::factoryImage(int generation) {
    // The factory measured the hardware's own errors: the image holds exactly them.
    const SimHardware h = SimHardware::typical(generation);
    PageWriter w;
    const auto i16 = [](int v) { return intWord(v); };
    const auto f3 = [](double v) { return fixed3Word(v); };
    const auto f4 = [](double v) { return fixed4Word(v); };
    const bool wide = generation >= 3;

    // Page 0x000
    w.groups(0x000, 0, h.ampAC[0], f3);
    w.groups(0x000, 3, h.ampDC[0], f3);
    w.groups(0x000, 6, h.ampAC[1], f3);
    w.groups(0x000, 9, h.ampDC[1], f3);
    w.span(0x000, 12, h.nonlinear[0], 0, 2, f4);
    w.span(0x000, 15, h.nonlinear[1], 0, 2, f4);
    w.run(0x000, 18, {i16(h.oldOffset[0]), i16(h.oldOffset[1])});
    w.span(0x000, 20, h.trigger[0], 0, 10, i16);
    w.put(0x000, 31, i16(h.trigger[1][0]));
    // Page 0x040
    w.span(0x040, 0, h.trigger[1], 1, 10, i16);
    w.span(0x040, 10, h.pppRealTime1Ch, 11, 25, i16);
    w.span(0x040, 25, h.pppRealTime2Ch, 11, 17, i16);
    // Page 0x080
    w.span(0x080, 0, h.pppRealTime2Ch, 18, 25, i16);
    w.span(0x080, 8, h.pppETS1Ch, 0, 10, i16);
    w.span(0x080, 19, h.pppETS2Ch, 0, 10, i16);
    w.run(0x080, 30, {i16(h.ETSMin), i16(h.ETSMax)});
    // Pages 0x0C0..0x1C0: ETS histogram
    w.run(0x0C0, 0, {i16(h.ETSOffset), i16(128)});
    w.span(0x0C0, 2, h.ETSHistogram, 0, 29, i16);
    w.span(0x100, 0, h.ETSHistogram, 30, 61, i16);
    w.span(0x140, 0, h.ETSHistogram, 62, 93, i16);
    w.span(0x180, 0, h.ETSHistogram, 94, 125, i16);
    w.span(0x1C0, 0, h.ETSHistogram, 126, 127, i16);
    // Page 0x1C0
    w.put(0x1C0, 2, i16(generation));
    w.groups(0x1C0, 3, h.offsetNonInterleave[0], i16);
    w.groups(0x1C0, 6, h.offsetNonInterleave[1], i16);
    const auto adcForm = [wide](double v) { return wide ? fixed3Word(v) : fixed4Word(v); };
    w.span(0x1C0, 9, h.adc1[0], 0, 2, adcForm);
    w.span(0x1C0, 12, h.adc2[0], 0, 2, adcForm);
    w.span(0x1C0, 15, h.adc1[1], 0, 2, adcForm);
    w.span(0x1C0, 18, h.adc2[1], 0, 2, adcForm);
    w.groups(0x1C0, 21, h.offsetInterleave[0], i16);
    w.put(0x1C0, 24, i16(h.offsetADC2[0]));
    w.groups(0x1C0, 25, h.offsetInterleave[1], i16);
    w.put(0x1C0, 28, i16(h.offsetADC2[1]));
    w.put(0x1C0, 29, i16(h.offsetTriggerHighFrequency));
    if (!wide) return w.bytes();

    // Pages 0x200..0x380: per volt/div values of generations 3 and 4
    w.span(0x200, 0, h.offsetNonInterleave[0], 1, 10, i16);
    w.span(0x200, 10, h.offsetNonInterleave[1], 1, 10, i16);
    w.span(0x200, 20, h.offsetInterleave[0], 1, 9, i16);
    w.put(0x240, 0, i16(h.offsetInterleave[0][10]));
    w.span(0x240, 1, h.offsetInterleave[1], 1, 10, i16);
    w.span(0x240, 11, h.ampDC[0], 1, 10, f3);
    w.span(0x240, 21, h.ampDC[1], 1, 8, f3);
    w.span(0x280, 0, h.ampDC[1], 9, 10, f3);
    w.span(0x280, 2, h.ampAC[0], 1, 10, f3);
    w.span(0x280, 12, h.ampAC[1], 1, 10, f3);
    w.span(0x280, 22, h.offsetADC2New[0], 1, 7, i16);
    w.span(0x2C0, 0, h.offsetADC2New[0], 8, 10, i16);
    w.span(0x2C0, 3, h.offsetADC2New[1], 1, 10, i16);
    w.run(0x2C0, 13, {i16(h.offsetACADC2[0]), i16(h.offsetACADC2[1])});
    w.span(0x2C0, 15, h.offsetACADC2New[0], 0, 10, i16);
    w.span(0x2C0, 26, h.offsetACADC2New[1], 0, 4, i16);
    w.span(0x300, 0, h.offsetACADC2New[1], 5, 10, i16);
    w.span(0x300, 6, h.offsetACInterleave[0], 0, 10, i16);
    w.span(0x300, 17, h.offsetACInterleave[1], 0, 10, i16);
    w.span(0x300, 28, h.offsetACNonInterleave[0], 0, 3, i16);
    w.span(0x340, 0, h.offsetACNonInterleave[0], 4, 10, i16);
    w.span(0x340, 7, h.offsetACNonInterleave[1], 0, 10, i16);
    w.put(0x380, 0, i16(generation));
    w.put(0x380, 1, i16(h.chipTemperatureCalib));
    for (int k = 0; k < 15; ++k) {
        w.put(0x380, 2 + k, i16(0));
        w.put(0x380, 17 + k, f3(0.0));
    }
    return w.bytes();
}
