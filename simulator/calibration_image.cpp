#include "calibration_image.h"

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

using Volts = std::array<double, 11>;
using Ints = std::array<int, 11>;

// Factory constants of a typical instrument: gains within 2 %, small DAC zero offsets.
struct Factory {
    Volts ampACCh1{1.012, 0.996, 1.004, 0.989, 1.021, 1.007, 0.993, 1.015, 0.998, 1.009, 0.985};
    Volts ampDCCh1{1.010, 0.995, 1.003, 0.990, 1.019, 1.006, 0.994, 1.013, 0.997, 1.008, 0.987};
    Volts ampACCh2{0.991, 1.006, 0.997, 1.014, 0.986, 1.002, 1.011, 0.992, 1.005, 0.995, 1.018};
    Volts ampDCCh2{0.992, 1.005, 0.998, 1.012, 0.988, 1.001, 1.010, 0.993, 1.004, 0.996, 1.016};
    std::array<double, 3> nonlinearCh1{0.0008, 0.9985, 0.0021};
    std::array<double, 3> nonlinearCh2{0.0006, 1.0012, 0.0015};
    std::array<double, 3> adc1Ch1{0.0007, 0.9991, 0.0012}, adc2Ch1{0.0005, 1.0007, 0.0018};
    std::array<double, 3> adc1Ch2{0.0009, 0.9979, 0.0010}, adc2Ch2{0.0004, 1.0015, 0.0022};
    int oldOffsetCh1 = 2496, oldOffsetCh2 = 2503;
    Ints triggerCh1{14, 13, 12, 11, 11, 12, 11, 10, 12, 11, 10};
    Ints triggerCh2{15, 14, 12, 12, 11, 13, 12, 11, 13, 12, 11};
    Ints offsetNonInterleaveCh1{-18, -16, -15, -14, -14, -9, -8, -8, -21, -20, -20};
    Ints offsetNonInterleaveCh2{12, 11, 10, 10, 9, 6, 5, 5, 15, 14, 14};
    Ints offsetInterleaveCh1{-17, -15, -14, -13, -13, -8, -8, -7, -20, -19, -19};
    Ints offsetInterleaveCh2{13, 12, 11, 10, 10, 7, 6, 5, 16, 15, 14};
    Ints offsetACNonInterleaveCh1{-19, -17, -16, -15, -14, -10, -9, -8, -22, -21, -20};
    Ints offsetACNonInterleaveCh2{11, 10, 10, 9, 9, 5, 5, 4, 14, 13, 13};
    Ints offsetACInterleaveCh1{-18, -16, -15, -14, -13, -9, -8, -8, -21, -20, -19};
    Ints offsetACInterleaveCh2{12, 11, 10, 10, 9, 6, 5, 5, 15, 14, 13};
    Ints offsetADC2Ch1New{3, 3, 3, 2, 2, 3, 2, 2, 4, 3, 3};
    Ints offsetADC2Ch2New{-2, -2, -1, -1, -1, -2, -2, -1, -3, -2, -2};
    Ints offsetACADC2Ch1New{4, 4, 3, 3, 3, 4, 3, 3, 5, 4, 4};
    Ints offsetACADC2Ch2New{-3, -2, -2, -2, -1, -3, -2, -2, -4, -3, -3};
    int offsetADC2Ch1 = 3, offsetADC2Ch2 = -2, offsetACADC2Ch1 = 4, offsetACADC2Ch2 = -3;
    int offsetTriggerHighFrequency = 9;
    int etsMin = 4, etsMax = 121, etsOffset = 6, etsHistogramSize = 128;
    int chipTemperatureCalib = 30;
};

std::array<int, 33> pppTable(int base, int step) {
    std::array<int, 33> t{};
    for (int i = 0; i < 33; ++i) t[static_cast<size_t>(i)] = base - (i * step) / 8;
    return t;
}

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
    return static_cast<std::uint16_t>((value >= 0 ? 0x8000 : 0) | (whole == 1 ? 0x4000 : 0) | (tenThousandths & 0x3FFF));
}

CalibrationImage::Bytes CalibrationImage::erasedImage() {
    Bytes b;
    b.fill(0xFF);
    return b;
}

CalibrationImage::Bytes CalibrationImage::factoryImage(int generation) {
    const Factory f;
    PageWriter w;
    const auto i16 = [](int v) { return intWord(v); };
    const auto f3 = [](double v) { return fixed3Word(v); };
    const auto f4 = [](double v) { return fixed4Word(v); };
    const bool wide = generation >= 3;

    const std::array<int, 33> rt1 = pppTable(28, 3), rt2 = pppTable(22, 2), ets1 = pppTable(40, 5),
                              ets2 = pppTable(36, 4);
    std::array<int, 128> histogram{};
    for (int k = 0; k < 128; ++k)
        histogram[static_cast<size_t>(k)] = (k >= f.etsMin && k <= f.etsMax) ? 96 + (k * 37) % 11 : 0;

    // Page 0x000
    w.groups(0x000, 0, f.ampACCh1, f3);
    w.groups(0x000, 3, f.ampDCCh1, f3);
    w.groups(0x000, 6, f.ampACCh2, f3);
    w.groups(0x000, 9, f.ampDCCh2, f3);
    w.span(0x000, 12, f.nonlinearCh1, 0, 2, f4);
    w.span(0x000, 15, f.nonlinearCh2, 0, 2, f4);
    w.run(0x000, 18, {i16(f.oldOffsetCh1), i16(f.oldOffsetCh2)});
    w.span(0x000, 20, f.triggerCh1, 0, 10, i16);
    w.put(0x000, 31, i16(f.triggerCh2[0]));
    // Page 0x040
    w.span(0x040, 0, f.triggerCh2, 1, 10, i16);
    w.span(0x040, 10, rt1, 11, 25, i16);
    w.span(0x040, 25, rt2, 11, 17, i16);
    // Page 0x080
    w.span(0x080, 0, rt2, 18, 25, i16);
    w.span(0x080, 8, ets1, 0, 10, i16);
    w.span(0x080, 19, ets2, 0, 10, i16);
    w.run(0x080, 30, {i16(f.etsMin), i16(f.etsMax)});
    // Pages 0x0C0..0x1C0: ETS histogram
    w.run(0x0C0, 0, {i16(f.etsOffset), i16(f.etsHistogramSize)});
    w.span(0x0C0, 2, histogram, 0, 29, i16);
    w.span(0x100, 0, histogram, 30, 61, i16);
    w.span(0x140, 0, histogram, 62, 93, i16);
    w.span(0x180, 0, histogram, 94, 125, i16);
    w.span(0x1C0, 0, histogram, 126, 127, i16);
    // Page 0x1C0
    w.put(0x1C0, 2, i16(generation));
    w.groups(0x1C0, 3, f.offsetNonInterleaveCh1, i16);
    w.groups(0x1C0, 6, f.offsetNonInterleaveCh2, i16);
    const auto adcForm = [wide](double v) { return wide ? fixed3Word(v) : fixed4Word(v); };
    std::array<double, 3> adc1Ch1 = f.adc1Ch1, adc2Ch1 = f.adc2Ch1, adc1Ch2 = f.adc1Ch2, adc2Ch2 = f.adc2Ch2;
    if (wide) { // generations 3 and 4 use only the linear term
        adc1Ch1 = {0, 1.004, 0};
        adc2Ch1 = {0, 0.997, 0};
        adc1Ch2 = {0, 1.002, 0};
        adc2Ch2 = {0, 0.995, 0};
    }
    w.span(0x1C0, 9, adc1Ch1, 0, 2, adcForm);
    w.span(0x1C0, 12, adc2Ch1, 0, 2, adcForm);
    w.span(0x1C0, 15, adc1Ch2, 0, 2, adcForm);
    w.span(0x1C0, 18, adc2Ch2, 0, 2, adcForm);
    w.groups(0x1C0, 21, f.offsetInterleaveCh1, i16);
    w.put(0x1C0, 24, i16(f.offsetADC2Ch1));
    w.groups(0x1C0, 25, f.offsetInterleaveCh2, i16);
    w.put(0x1C0, 28, i16(f.offsetADC2Ch2));
    w.put(0x1C0, 29, i16(f.offsetTriggerHighFrequency));
    if (!wide) return w.bytes();

    // Pages 0x200..0x380: per volt/div values of generations 3 and 4
    w.span(0x200, 0, f.offsetNonInterleaveCh1, 1, 10, i16);
    w.span(0x200, 10, f.offsetNonInterleaveCh2, 1, 10, i16);
    w.span(0x200, 20, f.offsetInterleaveCh1, 1, 9, i16);
    w.put(0x240, 0, i16(f.offsetInterleaveCh1[10]));
    w.span(0x240, 1, f.offsetInterleaveCh2, 1, 10, i16);
    w.span(0x240, 11, f.ampDCCh1, 1, 10, f3);
    w.span(0x240, 21, f.ampDCCh2, 1, 8, f3);
    w.span(0x280, 0, f.ampDCCh2, 9, 10, f3);
    w.span(0x280, 2, f.ampACCh1, 1, 10, f3);
    w.span(0x280, 12, f.ampACCh2, 1, 10, f3);
    w.span(0x280, 22, f.offsetADC2Ch1New, 1, 7, i16);
    w.span(0x2C0, 0, f.offsetADC2Ch1New, 8, 10, i16);
    w.span(0x2C0, 3, f.offsetADC2Ch2New, 1, 10, i16);
    w.run(0x2C0, 13, {i16(f.offsetACADC2Ch1), i16(f.offsetACADC2Ch2)});
    w.span(0x2C0, 15, f.offsetACADC2Ch1New, 0, 10, i16);
    w.span(0x2C0, 26, f.offsetACADC2Ch2New, 0, 4, i16);
    w.span(0x300, 0, f.offsetACADC2Ch2New, 5, 10, i16);
    w.span(0x300, 6, f.offsetACInterleaveCh1, 0, 10, i16);
    w.span(0x300, 17, f.offsetACInterleaveCh2, 0, 10, i16);
    w.span(0x300, 28, f.offsetACNonInterleaveCh1, 0, 3, i16);
    w.span(0x340, 0, f.offsetACNonInterleaveCh1, 4, 10, i16);
    w.span(0x340, 7, f.offsetACNonInterleaveCh2, 0, 10, i16);
    w.put(0x380, 0, i16(generation));
    w.put(0x380, 1, i16(f.chipTemperatureCalib));
    for (int k = 0; k < 15; ++k) {
        w.put(0x380, 2 + k, i16(0));
        w.put(0x380, 17 + k, f3(0.0));
    }
    return w.bytes();
}
