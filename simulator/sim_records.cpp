#include "sim_records.h"

#include "clock.h"
#include "trigger_condition.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kConverterClock = 100e6; // Hz, before the time-base divider
constexpr double kPairPeriod = 20e-9;     // seconds per delay-counter unit in equivalent time
constexpr double kWordPeriod = 10e-9;     // equivalent time: one word per converter period
constexpr double kPhaseUnit = 0.2e-9;     // seconds per trigger-to-clock phase step
constexpr double kRejectMargin = 0.03;    // the share of the TDC window the host rejects

// Seconds per division of the equivalent-time codes 0..10.
constexpr double kSecondsPerDiv[11] = {2e-9, 4e-9, 10e-9, 20e-9, 40e-9, 100e-9, 200e-9, 400e-9, 1e-6, 2e-6, 4e-6};
// Phase steps per record position at codes 0..10.
constexpr int kPhaseDivisor[11] = {1, 1, 1, 1, 1, 1, 1, 2, 5, 10, 20};

// Roll: register 27 = 0x1D .. 0x20.
constexpr int kFirstRollCode = 0x1D;
constexpr double kRollRate[4] = {300.0, 150.0, 75.0, 30.0}; // sample pairs per second
constexpr int kRollBytes[4] = {120, 72, 48, 24};

bool bit(unsigned v, int k) { return ((v >> k) & 1u) != 0; }

} // namespace

inline double SimRecords::Channel::forward(int converterBit, double f) const {
    const SimHardware::Polynomial& q = poly[converterBit];
    double c;
    if (wide) {
        const double g = q[1] == 0 ? 1.0 : q[1];
        const double y = (f + 1) / 512.0 + 0.25;
        const double v = (y - 1.25) * g + 1.25;
        c = (v - 0.25) * 512.0 - 1;
    } else if (q[0] == 0) {
        c = f;
    } else {
        const double x = f * 2 / levels + 1.5;
        const double r = q[0] * x * x + q[1] * x + q[2];
        c = (r - 1.5) * levels / 2;
    }
    return c - converterOffset[converterBit];
}

namespace {

// Offset and trigger DAC scales of a path (codes per DAC step) and the attenuator scale.
struct Scales {
    double codesPerVolt;
    double codesPerOffsetStep;
    double offsetZero;
    double codesPerTriggerStep;
};

Scales scalesOf(int generation, int range, bool highGain) {
    if (generation <= 2) {
        // 12 bits over 1 V, 100 V or 10 V; both DACs 2.048 codes per step about 2500.
        static constexpr double kPerVolt[3] = {4096.0, 40.96, 409.6};
        return {kPerVolt[range], 2.048, 2500.0, generation == 2 ? 4.096 : 2.048};
    }
    // 10 bits; the gain bit doubles everything after the offset DAC.
    static constexpr double kPerVolt[3] = {1228.8, 12.288, 122.88};
    const double gain = highGain ? 2.0 : 1.0;
    const double amp = 2.5 / 2.4; // converter amplifier
    return {kPerVolt[range] * gain, gain / (6.75 * 0.5 * 0.78125 * amp), 1784.0, gain / (4.75 * 0.5 * 0.78125 * amp)};
}

int representativeVoltDiv(const SimHardware& h, int range, bool highGain) {
    if (h.generation <= 2) return range == 0 ? 0 : range == 2 ? 5 : 8;
    if (range == 0) return highGain ? 0 : 3;
    if (range == 2) return highGain ? 5 : 6;
    return highGain ? 8 : 9;
}

} // namespace

std::unique_ptr<SimRecords> SimRecords::forInstrument(int generation, int chipTemperature, Clock* pace, bool shorted) {
    Options options;
    options.chipTemperature = chipTemperature;
    options.pace = pace;
    if (shorted)
        for (auto& signal : options.signal) signal = std::make_shared<DcLevel>(0.0);
    return std::make_unique<SimRecords>(SimHardware::typical(generation), options);
}

SimRecords::SimRecords(SimHardware hardware) : SimRecords(std::move(hardware), Options{}) {}

SimRecords::SimRecords(SimHardware hardware, Options options)
    : d_hardware(std::move(hardware)), d_options(std::move(options)), d_noise(d_options.seed) {
    for (int c = 0; c < 2; ++c)
        if (!d_options.signal[c]) d_options.signal[c] = defaultSignal(c);
    // Powered up: armed with the registers' reset values until the host programs it.
    InstrumentSettings reset;
    reset.generation = d_hardware.generation;
    arm(reset, std::chrono::milliseconds(0));
}

SimRecords::~SimRecords() = default;

void SimRecords::setSignal(int channelIndex, std::shared_ptr<Signal> signal) {
    if (channelIndex < 0 || channelIndex > 1) return;
    d_options.signal[channelIndex] = signal ? std::move(signal) : defaultSignal(channelIndex);
    d_channel[channelIndex] = channelFor(d_settings, channelIndex);
    d_triggerLevel = triggerVolts(d_settings);
    d_prepared = false;
}

SimRecords::Kind SimRecords::kind() const {
    if (d_settings.roll) return Kind::Roll;
    return d_settings.timeDivCode <= 10 ? Kind::EquivalentTime : Kind::RealTime;
}

int SimRecords::recordWords() const {
    const unsigned sc = d_settings.timeBaseEntry[0];
    const int memoryCount = d_settings.timeBaseEntry[4] | (d_settings.timeBaseEntry[5] << 8);
    const bool twoConverters = bit(sc, 3) || (bit(sc, 1) && bit(sc, 2));
    return std::max(memoryCount * (twoConverters ? 32 : 16), 4);
}

SimRecords::Channel SimRecords::channelFor(const InstrumentSettings& settings, int c) const {
    const SimHardware& h = d_hardware;
    const int G = h.generation;
    const unsigned sc = settings.timeBaseEntry[0];
    const bool both = bit(sc, 1) && bit(sc, 2);
    // Both converters on one channel: the fastest real-time base, or random interleaving.
    const bool interleaved = bit(sc, 3) && !both && !settings.roll;
    const InstrumentChannel& in = settings.channel[c];
    const int range = in.attenuatorRange < 0 ? 1 : in.attenuatorRange;
    const bool gainBit = G >= 3 && in.highGain;
    const int v = representativeVoltDiv(h, range, gainBit);
    const Scales s = scalesOf(G, range, gainBit);
    const bool acPath = in.acCoupling && G >= 3;

    Channel ch;
    ch.levels = G <= 2 ? 4096 : 1024;
    ch.voltDiv = v;
    ch.wide = G >= 3;
    ch.signal = d_options.signal[c].get();
    const double amp = in.acCoupling ? h.ampAC[c][v] : h.ampDC[c][v];
    ch.codesPerVolt = s.codesPerVolt / (amp == 0 ? 1.0 : amp);
    ch.zeroError = interleaved ? (acPath ? h.offsetACInterleave[c][v] : h.offsetInterleave[c][v])
                               : (acPath ? h.offsetACNonInterleave[c][v] : h.offsetNonInterleave[c][v]);
    ch.offsetCode = ch.levels / 2 + (in.offsetDac + ch.zeroError - s.offsetZero) * s.codesPerOffsetStep;
    ch.dcRemoved = in.acCoupling && ch.signal ? ch.signal->mean() : 0.0;
    // Converter bit 0 and 1: what the host's correction tables take them for.
    if (!interleaved) {
        ch.poly[0] = h.nonlinear[0];
        ch.poly[1] = h.nonlinear[1];
        return ch;
    }
    const int e2 = G <= 2 ? h.offsetADC2[c] : (in.acCoupling ? h.offsetACADC2New[c][v] : h.offsetADC2New[c][v]);
    if (c == 0) {
        ch.poly[0] = h.adc1[0];
        ch.poly[1] = h.adc2[0];
        ch.converterOffset[1] = e2;
    } else if (G <= 2) {
        ch.poly[0] = h.adc2[1];
        ch.poly[1] = h.adc1[1];
        ch.converterOffset[0] = e2;
    } else {
        ch.poly[0] = h.adc1[1];
        ch.poly[1] = h.adc2[1];
        ch.converterOffset[0] = e2;
    }
    return ch;
}

void SimRecords::arm(const InstrumentSettings& settings, std::chrono::milliseconds now) {
    d_armedAt = now.count() / 1000.0;
    d_settings = settings;
    d_settings.generation = d_hardware.generation;
    d_now = std::max(d_now, now.count() / 1000.0);
    d_nextSearch = std::max(d_nextSearch, d_now);
    d_rollTime = std::max(d_rollTime, d_now);
    for (int c = 0; c < 2; ++c) d_channel[c] = channelFor(d_settings, c);
    d_triggerLevel = triggerVolts(d_settings);
    buildTdcTable();
    d_prepared = false;
    d_position = 0;
}

void SimRecords::frontEndSwitched(const InstrumentSettings& settings, std::chrono::milliseconds now) {
    const double t = now.count() / 1000.0;
    for (int c = 0; c < 2; ++c) {
        InstrumentChannel& in = d_settings.channel[c];
        const InstrumentChannel& to = settings.channel[c];
        if (in.acCoupling == to.acCoupling && in.attenuatorRange == to.attenuatorRange) continue;
        Settling& s = d_settling[c];
        s.before = d_channel[c];
        s.switchedAt = t;
        if (!to.acCoupling)
            s.acFrom = -1e9;
        else if (!in.acCoupling)
            s.acFrom = t; // the capacitor, bypassed until now, starts to charge
        in.acCoupling = to.acCoupling;
        in.attenuatorRange = to.attenuatorRange;
        d_channel[c] = channelFor(d_settings, c);
        s.until = std::max(t + RELAY_SETTLE, s.acFrom + 10 * AC_TAU);
    }
    d_triggerLevel = triggerVolts(d_settings);
}

double SimRecords::trueCode(const InstrumentSettings& settings, int c, double volts) const {
    const Channel ch = channelFor(settings, c);
    return ch.offsetCode + (volts - ch.dcRemoved) * ch.codesPerVolt;
}

double SimRecords::converterCode(const InstrumentSettings& settings, int c, int converterBit, double f) const {
    return channelFor(settings, c).forward(converterBit, f);
}

double SimRecords::triggerVolts(const InstrumentSettings& settings) const {
    return triggerVoltsOf(settings, settings.edgeSource == 2 ? 1 : 0);
}

double SimRecords::triggerVoltsOf(const InstrumentSettings& settings, int src) const {
    const Channel ch = channelFor(settings, src);
    const InstrumentChannel& in = settings.channel[src];
    const SimHardware& h = d_hardware;
    const int G = h.generation;
    const int range = in.attenuatorRange < 0 ? 1 : in.attenuatorRange;
    const Scales s = scalesOf(G, range, G >= 3 && in.highGain);
    const bool falling = !settings.risingEdge;
    const int t = h.trigger[src][static_cast<size_t>(ch.voltDiv)];
    // Generations 1 and 2 share the offset DAC's zero error with the comparator.
    const int zero = ch.zeroError;
    double levelCode;
    if (G == 1) {
        // The level DAC holds half the value; the falling comparator sits 20 steps lower.
        levelCode =
            ch.levels / 2 + (2 * in.triggerLevelDac + zero + t - 2500 - (falling ? 20 : 0)) * s.codesPerTriggerStep;
    } else if (G == 2) {
        // Compared before the offset is added: relative to the channel's zero.
        levelCode = ch.offsetCode + (in.triggerLevelDac + zero + t - 2500 - (falling ? 7 : 0)) * s.codesPerTriggerStep;
    } else {
        levelCode = ch.levels / 2 + (in.triggerLevelDac + t - 1250 - (falling ? 25 : 0)) * s.codesPerTriggerStep;
    }
    return (levelCode - ch.offsetCode) / ch.codesPerVolt + ch.dcRemoved;
}

void SimRecords::buildTdcTable() {
    const SimHardware& h = d_hardware;
    const bool wide = h.generation >= 3;
    const int drift =
        h.generation >= 4 ? (static_cast<signed char>(d_options.chipTemperature) - h.chipTemperatureCalib) / 9 : 0;
    const int r = h.ETSMax - h.ETSMin;
    const int g = static_cast<int>(h.ETSMax - kRejectMargin * r);
    const int l = static_cast<int>(h.ETSMin + kRejectMargin * r);
    d_tdcCount.fill(-1);
    // The counter runs backwards from 86 (143 on generations 3, 4), offset and folded into
    // the calibrated window; the host maps the window onto phases 0 to 49.
    for (int count = wide ? 255 : 127; count >= 0; --count) {
        int p = ((wide ? 143 : 86) - count + h.ETSOffset + drift) & 0xFF;
        if (p > h.ETSMax) p = (p - h.ETSMax + h.ETSMin) & 0xFF;
        if (g == l || p < l || p > g) continue;
        const int phase = (p - l) * 49 / (g - l);
        // A count of 0 in the low seven bits reads as no measurement on generations 1, 2.
        if (d_tdcCount[static_cast<size_t>(phase)] < 0 || (d_tdcCount[static_cast<size_t>(phase)] & 0x7F) == 0)
            d_tdcCount[static_cast<size_t>(phase)] = count;
    }
}

int SimRecords::tdcCountFor(int phase) const { return d_tdcCount[static_cast<size_t>(phase % 50)]; }

bool SimRecords::findTrigger(double from, bool force) {
    std::optional<double> t;
    const TriggerCondition condition = TriggerCondition::decode(d_settings);
    if (condition.advanced()) {
        const Signal* const signals[2] = {d_options.signal[0].get(), d_options.signal[1].get()};
        // Each channel is compared with its own trigger level.
        const double levels[2] = {triggerVoltsOf(d_settings, 0), triggerVoltsOf(d_settings, 1)};
        t = condition.next(signals, levels, from);
    } else {
        const int src = d_settings.edgeSource == 2 ? 1 : 0;
        t = nextCrossing(*d_options.signal[src], d_triggerLevel, d_settings.risingEdge, from);
    }
    if (t) {
        d_info.triggered = true;
        d_info.triggerTime = *t;
        return true;
    }
    if (d_settings.normalTriggerMode && !force) return false;
    d_info.triggered = false;
    d_info.triggerTime = from;
    return true;
}

void SimRecords::putWord(size_t at, int code, int channelBit) {
    if (at + 1 >= d_record.size()) return;
    const unsigned char ch = static_cast<unsigned char>(channelBit ? 0x40 : 0x00);
    const unsigned char hi = static_cast<unsigned char>(0x80 | ch | ((code >> 6) & 0x3F));
    const unsigned char lo = static_cast<unsigned char>(ch | (code & 0x3F));
    // Words go out in either byte order, changing every second word (the status word and
    // its copy alike).
    const bool hiFirst = ((at >> 2) & 1) != 0;
    d_record[at] = hiFirst ? hi : lo;
    d_record[at + 1] = hiFirst ? lo : hi;
}

void SimRecords::putStatus(int tdcCount, bool secondHalf) {
    int status = (tdcCount & 0x7F) | (secondHalf ? 0 : 0x80) | (d_info.triggered ? 0x100 : 0);
    if (d_hardware.generation >= 3 && (tdcCount & 0x80)) status |= 0x200;
    d_info.status = status;
    d_info.tdcCount = tdcCount;
    putWord(0, status, 0);
    putWord(2, status, 0);
}

int SimRecords::sample(int c, int converterBit, double t) {
    const double volts = d_channel[c].signal->volts(t);
    return t < d_settling[c].until ? convertSettling(c, converterBit, volts, t) : convert(c, converterBit, volts);
}

int SimRecords::convertSettling(int c, int converterBit, double signalVolts, double t) {
    const Settling& s = d_settling[c];
    const double sinceSwitch = t - s.switchedAt;
    if (t >= d_armedAt && sinceSwitch >= 0 && sinceSwitch < RELAY_SETTLE &&
        static_cast<int>(sinceSwitch / RELAY_BOUNCE) % 2 == 0)
        return convert(s.before, converterBit, signalVolts);
    // What the capacitor has not yet taken away of the DC it removes once settled.
    const double left = d_channel[c].dcRemoved * std::exp(-std::max(t - s.acFrom, 0.0) / AC_TAU);
    return convert(d_channel[c], converterBit, signalVolts + left);
}

int SimRecords::convert(const Channel& ch, int converterBit, double signalVolts) {
    const double volts = signalVolts - ch.dcRemoved + d_options.inputNoise * d_noise.next();
    const double raw =
        ch.forward(converterBit, ch.offsetCode + volts * ch.codesPerVolt) + d_options.converterNoise * d_noise.next();
    // Rounded and clipped; clipped first, so truncation rounds down (no floor call per sample).
    const double up = raw + 0.5;
    if (!(up >= 1.0)) return 0;
    if (up >= ch.levels) return ch.levels - 1;
    return static_cast<int>(up);
}

int SimRecords::peakSample(int c, int converterBit, double from, double to, bool maximum) {
    const Channel& ch = d_channel[c];
    constexpr int kSteps = 16;
    double extreme = ch.signal->volts(from);
    for (int k = 1; k < kSteps; ++k) {
        const double v = ch.signal->volts(from + (to - from) * k / kSteps);
        extreme = maximum ? std::max(extreme, v) : std::min(extreme, v);
    }
    return convert(c, converterBit, extreme);
}

void SimRecords::prepare(double now, bool force) {
    if (kind() == Kind::Roll) return;
    if (!findTrigger(std::max(d_nextSearch, now), force)) return;
    d_record.assign(static_cast<size_t>(recordWords()) * 2, 0);
    d_info.words = recordWords() - 4;
    if (kind() == Kind::RealTime)
        encodeRealTime();
    else
        encodeEquivalentTime();
    if (d_fault.captures > 0) {
        if (d_fault.corruptWord >= 0) {
            const size_t at = 8 + 2 * static_cast<size_t>(d_fault.corruptWord);
            if (at + 1 < d_record.size()) {
                d_record[at] |= 0x80;
                d_record[at + 1] |= 0x80;
            }
        }
        if (d_fault.mismatchedStatus) putWord(2, d_info.status ^ 0x01, 0);
        --d_fault.captures;
    }
    d_prepared = true;
    d_position = 0;
}

void SimRecords::encodeRealTime() {
    const unsigned sc = d_settings.timeBaseEntry[0];
    const bool ch1 = bit(sc, 1), ch2 = bit(sc, 2), both = ch1 && ch2;
    const bool interleaved = bit(sc, 3) && !both;
    const int c = ch2 && !ch1 ? 1 : 0;
    const int divider1 = d_settings.timeBaseEntry[1] + 1;
    const int divider2 = (d_settings.timeBaseEntry[2] | (d_settings.timeBaseEntry[3] << 8)) + 1;
    const double converterRate = kConverterClock / divider1 / divider2;
    const double dt = interleaved ? 0.5 / converterRate : 1.0 / converterRate;
    const int samples = d_info.words / (both ? 2 : 1);
    const int shown = samples / 100 * 100;
    const int td = std::clamp(d_settings.timeDivCode, 0, 32);
    const int latency =
        both ? d_hardware.pppRealTime2Ch[static_cast<size_t>(td)] : d_hardware.pppRealTime1Ch[static_cast<size_t>(td)];
    const int post = (d_settings.delayCounter - (both ? 16 : 32) - latency) * (interleaved ? 2 : 1);
    const int triggerIndex = shown - post;
    const double jitter = d_noise.uniform();
    const double T = d_info.triggerTime;
    d_info.firstSampleTime = T + (jitter - triggerIndex) * dt;
    const int phase = static_cast<int>(d_noise.uniform() * 100);
    d_info.phase = phase;
    putStatus(tdcCountFor(phase), phase >= 50);
    const bool peak = d_settings.peakDetection;
    // Peak detection: each pair of samples spans two sample times; the first holds the
    // largest value there, the second the smallest.
    auto value = [&](int ch, int converter, int j, double t) {
        if (!peak) return sample(ch, converter, t);
        const double from = t - (j & 1) * dt;
        return peakSample(ch, converter, from, from + 2 * dt, (j & 1) == 0);
    };
    if (peak) {
        for (int j = 0; j < samples; ++j) {
            const double t = T + (j - triggerIndex + jitter) * dt;
            if (both) {
                putWord(8 + 4 * static_cast<size_t>(j), value(0, 0, j, t), 0);
                putWord(10 + 4 * static_cast<size_t>(j), value(1, 1, j, t), 1);
            } else {
                const int converter = interleaved ? (j & 1) : c;
                putWord(8 + 2 * static_cast<size_t>(j), value(c, converter, j, t), converter);
            }
        }
    } else {
        // The signals of the whole record at once (signal_source.h), then noise and converter.
        const size_t n = static_cast<size_t>(std::max(samples, 0));
        for (int k = 0; k < 2; ++k)
            if (both || k == c) {
                d_volts[k].resize(n);
                d_channel[k].signal->sampleEvenly(d_info.firstSampleTime, dt, samples, d_volts[k].data());
            }
        auto encode = [&](auto conv) {
            for (int j = 0; j < samples; ++j) {
                if (both) {
                    putWord(8 + 4 * static_cast<size_t>(j), conv(0, 0, j), 0);
                    putWord(10 + 4 * static_cast<size_t>(j), conv(1, 1, j), 1);
                } else {
                    const int converter = interleaved ? (j & 1) : c;
                    putWord(8 + 2 * static_cast<size_t>(j), conv(c, converter, j), converter);
                }
            }
        };
        if (d_info.firstSampleTime < std::max(d_settling[0].until, d_settling[1].until)) {
            encode([&](int k, int converter, int j) {
                const double t = d_info.firstSampleTime + j * dt;
                const double v = d_volts[k][static_cast<size_t>(j)];
                return t < d_settling[k].until ? convertSettling(k, converter, v, t) : convert(k, converter, v);
            });
        } else {
            encode(
                [&](int k, int converter, int j) { return convert(k, converter, d_volts[k][static_cast<size_t>(j)]); });
        }
    }
    d_nextSearch = T + (samples - triggerIndex + 1) * dt;
    d_readyAt = T + std::max(post, 0) * dt;
}

void SimRecords::encodeEquivalentTime() {
    const unsigned sc = d_settings.timeBaseEntry[0];
    const bool pairs = bit(sc, 1) && bit(sc, 2);
    const int c = bit(sc, 2) && !bit(sc, 1) ? 1 : 0;
    const int td = std::clamp(d_settings.timeDivCode, 0, 10);
    const int divisor = kPhaseDivisor[td];
    const double step = kPhaseUnit * divisor; // one record position
    const int steps = (d_info.words + 4) / 100 * 100;
    const int base = pairs ? 16 : 17;
    const int latencyColumns =
        pairs ? d_hardware.pppETS2Ch[static_cast<size_t>(td)] : d_hardware.pppETS1Ch[static_cast<size_t>(td)];
    const double latency = latencyColumns * kSecondsPerDiv[td] / 50.0;

    // A phase the counter can report.
    int phase = 0;
    for (int tries = 0; tries < 100; ++tries) {
        phase = static_cast<int>(d_noise.uniform() * 100);
        if (tdcCountFor(phase) >= 0) break;
    }
    d_info.phase = phase;
    putStatus(std::max(tdcCountFor(phase), 0), phase >= 50);
    const double placed = (phase / divisor + d_noise.uniform()) * step;
    const double T = d_info.triggerTime;
    const double first = T + placed + kPairPeriod * (d_settings.delayCounter - base) - latency - steps * kWordPeriod;
    d_info.firstSampleTime = first;
    for (int w = 0; w < d_info.words; ++w) {
        const size_t at = 8 + 2 * static_cast<size_t>(w);
        if (pairs) {
            const int k = w & 1;
            const double t = first + (w / 2) * kPairPeriod + (k ? 4 * step : 0.0);
            putWord(at, sample(k, k, t), k);
        } else {
            putWord(at, sample(c, w & 1, first + w * kWordPeriod), w & 1);
        }
    }
    d_nextSearch = first + d_info.words * kWordPeriod + kPairPeriod;
    d_readyAt = d_nextSearch;
}

int SimRecords::encodeRollRead(unsigned char* out, int length) {
    const int slot = std::clamp(d_settings.timeDivCode - kFirstRollCode, 0, 3);
    const int pairs = kRollBytes[slot] / 4;
    const double period = 1.0 / kRollRate[slot];
    if (d_options.pace) {
        const double due = d_rollTime + pairs * period;
        const double now = d_options.pace->now().count() / 1000.0;
        if (due > now)
            d_options.pace->sleepFor(std::chrono::milliseconds(static_cast<long>((due - now) * 1000.0 + 0.5)));
    }
    // Exactly the pairs of this read: the short packet ends the host's longer read.
    d_record.assign(static_cast<size_t>(kRollBytes[slot]), 0);
    for (int m = 0; m < pairs; ++m) {
        for (int k = 0; k < 2; ++k) putWord(4 * static_cast<size_t>(m) + 2 * k, sample(k, k, d_rollTime), k);
        d_rollTime += period;
    }
    const int n = std::min(length, kRollBytes[slot]);
    std::copy_n(d_record.begin(), n, out);
    return n;
}

bool SimRecords::ready(std::chrono::milliseconds now) {
    if (kind() == Kind::Roll) return true;
    const double seconds = now.count() / 1000.0;
    // Paced, the instrument has been capturing since it was armed or last read out, not
    // since this poll: a host that waits finds the record ready.
    if (!d_prepared) prepare(d_options.pace ? d_now : seconds, false);
    if (!d_prepared) return false;
    // Paced: the record is there once its last sample has been taken.
    return !d_options.pace || seconds >= d_readyAt;
}

int SimRecords::read(unsigned char* out, int length) {
    if (length <= 0) return 0;
    if (kind() == Kind::Roll) return encodeRollRead(out, length);
    // A read without a ready record takes one now; without a trigger it reports none.
    if (!d_prepared) prepare(d_options.pace ? d_options.pace->now().count() / 1000.0 : 0.0, true);
    const size_t available = d_position < d_record.size() ? d_record.size() - d_position : 0;
    const size_t n = std::min(available, static_cast<size_t>(length));
    std::copy_n(d_record.begin() + static_cast<std::ptrdiff_t>(d_position), n, out);
    d_position += n;
    if (d_position >= d_record.size()) {
        d_prepared = false;
        if (d_options.pace) d_now = std::max(d_now, d_options.pace->now().count() / 1000.0);
    }
    return static_cast<int>(n);
}
