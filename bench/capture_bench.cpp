// Capture against its budgets. Bytes are USB bytes (what the instrument sends for the
// record), so bytes_per_second compares with the bus (40 MB/s); x_bus is how many times
// faster than the bus delivers a record it is decoded, x_budget how many times faster than
// its budget the work runs.

#include "buffer_raw_data.h"
#include "calibration.h"
#include "data_acquisition_rt.h"
#include "fake_hardware.h"
#include "state.h"

#include "bus_rate.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <random>

namespace {

// Noisy sine codes of a 12-bit converter.
short signalCode(std::mt19937& rng, int i) {
    std::normal_distribution<double> noise(0.0, 8.0);
    const double v = 2048 + 1200 * std::sin(i * 2 * 3.141592653589793 / 5000.0) + noise(rng);
    return static_cast<short>(v < 0 ? 0 : v > 4095 ? 4095 : v);
}

void putWord(unsigned char* at, int value, int channelBit, bool hiFirst) {
    const auto hi = static_cast<unsigned char>(0x80 | (channelBit << 6) | ((value >> 6) & 0x3F));
    const auto lo = static_cast<unsigned char>((channelBit << 6) | (value & 0x3F));
    at[0] = hiFirst ? hi : lo;
    at[1] = hiFirst ? lo : hi;
}

// A 500k-point real-time capture ready to decode: both channels (250000 samples each) or
// one (500000), averaging `average` records.
struct RealTime500k {
    RealTime500k(bool both, int average) {
        s.d_hardwareVersion = _HW3;
        s.d_bufferSizeMax = _500K;
        s.setBufferSizeMode(_500K);
        s.setChannelOnOff(_CH1, true);
        s.setChannelOnOff(_CH2, both);
        s.setTimeDiv(_1MS_DIV);
        s.d_averageCount = average;
        cal.HardwareVersion = _HW3;
        cal.d_adcLevels = 1024;
        for (int k = 0; k < 3; ++k) cal.nonlinearConstCh1[k] = cal.nonlinearConstCh2[k] = k == 1 ? 1.01f : 0.0f;
        cal.buildTables(false, s.d_channelsOnOff);
        s.p_calibration = &cal;
        for (int ch : {_CH1, _CH2})
            if (s.isChannelOn(ch)) raw.resize(s.d_bufferSize, ch);
        if (average > 1) raw.setNumberOfAverage(average, both ? 0 : _CH1);
        hw.init(_HW3, static_cast<unsigned>(s.d_bufferSizeHardware));
        hw.sampleData.resize(static_cast<size_t>(s.d_bufferSizeHardware));
        unsigned char* d = hw.sampleData.data();
        std::mt19937 rng(7);
        putWord(d, 0x185, 0, true);
        putWord(d + 2, 0x185, 0, true);
        const int words = (s.d_bufferSizeHardware - 8) / 2;
        for (int w = 0; w < words; ++w)
            putWord(d + 8 + 2 * w, signalCode(rng, w / (both ? 2 : 1)) >> 2, both ? (w & 1) : 0, (w & 3) != 1);
        hw.readSampleBuffer(0);
    }
    State s;
    Calibration cal;
    FakeHardware hw;
    BufferRawData raw;
};

void BM_DecodeRealTime500kTwoChannels(benchmark::State& st) {
    RealTime500k c(true, 1);
    DataAcquisitionRT rt(&c.hw, &c.raw, &c.s);
    for (auto _ : st) {
        if (!rt.acquire(c.hw.sampleRecord(), 1)) st.SkipWithError("decode failed");
        benchmark::DoNotOptimize(c.raw.data(_CH2));
    }
    reportBudget(st, c.s.d_bufferSizeHardware, 2.5e-3);
}
BENCHMARK(BM_DecodeRealTime500kTwoChannels)->Unit(benchmark::kMillisecond);

// Decoding into a history slot and averaging 16 records (informative: no budget of its own).
void BM_DecodeAndAverage500kOneChannel(benchmark::State& st) {
    RealTime500k c(false, 16);
    DataAcquisitionRT rt(&c.hw, &c.raw, &c.s);
    for (auto _ : st) {
        if (!rt.acquire(c.hw.sampleRecord(), 1)) st.SkipWithError("decode failed");
        benchmark::DoNotOptimize(c.raw.data(_CH1));
    }
    reportBudget(st, c.s.d_bufferSizeHardware, 12.5e-3);
}
BENCHMARK(BM_DecodeAndAverage500kOneChannel)->Unit(benchmark::kMillisecond);

void BM_Average(benchmark::State& st) {
    const int records = static_cast<int>(st.range(0));
    const int size = static_cast<int>(st.range(1));
    BufferRawData raw;
    raw.createWithAverage(size, records, _CH1);
    std::mt19937 rng(11);
    for (int j = 0; j < records; ++j)
        for (int i = 0; i < size; ++i) raw.setHistory(j, _CH1, i, signalCode(rng, i));
    for (auto _ : st) {
        raw.average(_CH1);
        benchmark::DoNotOptimize(raw.data(_CH1));
    }
    reportBudget(st, 0, size >= 500000 ? 10e-3 : 2e-3);
}
BENCHMARK(BM_Average)->Args({16, 500000})->Args({128, 10000})->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
