#pragma once
// A kernel-side scope on the simulated instrument's records, for the decode tests: State,
// Calibration, the register image programmed as the channel, trigger and time-base setters
// would, and the capture with its acquisition objects. The instrument is reached either
// through a Hardware that hands SimRecords' bytes straight to the capture, or through the
// kernel's USB on the simulated bus (calibration read from the instrument's memory, every
// setting sent as the setters send it).

#include "buffer_raw_data.h"
#include "calibration.h"
#include "capture.h"
#include "fake_hardware.h"
#include "register.h"
#include "sim_records.h"
#include "simulated_usb.h"
#include "state.h"
#include "temp_dir.h"
#include "transform_hardware_raw.h"
#include "units.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace sim_scope {

// Offset and trigger DAC steps per display row at gain 1 (generations 3, 4: times 6.75 for
// the offset, 4.75 for the trigger).
constexpr double kK12[11] = {0.2, 0.4, 0.8, 2.0, 4.0, 0.8, 2.0, 4.0, 0.8, 2.0, 4.0};
constexpr double kK3[11] = {0.05, 0.1, 0.2, 0.5, 1, 0.2, 0.5, 1, 0.2, 0.5, 1};

inline double pixelFactor(int hw, int v) {
    static constexpr double kHw12[11] = {2.4414, 1.2207,  0.610335, 0.2441, 0.12207, 0.610335,
                                         0.2441, 0.12207, 0.610335, 0.2441, 0.12207};
    static constexpr double kHw34[11] = {3.90625, 1.953125, 0.9765625, 0.78125, 0.390625, 0.9765625,
                                         0.78125, 0.390625, 0.9765625, 0.78125, 0.390625};
    if (hw <= _HW2) return kHw12[v];
    return kHw34[v] * static_cast<double>(static_cast<float>(2.5 / 2.4));
}

// Hands the instrument's records to the capture: one status poll is one ready() call, one
// sample-buffer read the bulk reads of the record length.
class SimLink : public FakeHardware {
public:
    explicit SimLink(SimRecords& sim_) : sim(sim_) {}
    int pollTrigger(int* failed_, int timeOut_) override {
        FakeHardware::pollTrigger(failed_, timeOut_);
        return sim.ready(std::chrono::milliseconds(0)) ? 1 : 0;
    }
    bool readSampleBuffer(int timeOut_) override {
        if (!FakeHardware::readSampleBuffer(timeOut_)) return false;
        d_bytesRead = 0;
        if (bufferSizeMode == _500K) {
            for (int i = 0; i <= 25; ++i)
                d_bytesRead += static_cast<unsigned>(sim.read(p_buffer.get() + i * 40000, i < 25 ? 40000 : 128));
        } else {
            d_bytesRead = static_cast<unsigned>(sim.read(p_buffer.get(), d_readLength));
        }
        return true;
    }
    SimRecords& sim;
    int bufferSizeMode = _10K;
};

struct ScopeSetup {
    int hw = _HW1;
    int bufferSizeMode = _10K;
    bool ETS = true;
    bool ch1 = true, ch2 = false;
    int voltDiv[2] = {_200MV_DIV, _500MV_DIV};
    int coupling[2] = {_DC, _DC};
    double offsetRow[2] = {100, 200};
    int timeDiv = _1MS_DIV;
    double position = 250; // display column of the trigger
    int triggerSource = _CH1;
    int slope = 1; // 1 rising, 0 falling
    double triggerRow = 225;
    int triggerMode = _AUTO;
    bool peak = false;
    int average = 1;
};

enum class Link { Direct, Usb };

class Scope {
public:
    explicit Scope(const ScopeSetup& setup_, SimRecords::Options options_ = {}, Link link_ = Link::Direct)
        : setup(setup_), d_options(options_), reg(setup_.hw) {
        configureState();
        if (link_ == Link::Usb) {
            rig = std::make_unique<SimulatedUsb>(setup.hw, static_cast<unsigned>(s.d_bufferSizeHardware));
            rig->usb->setState(&s);
            auto records = std::make_unique<SimRecords>(SimHardware::typical(setup.hw), options_);
            p_sim = records.get();
            rig->instrument().setRecordSource(std::move(records));
            hardware = rig->usb.get();
            cal.init(hardware, d_dir.file("calibration.ini").c_str(), s.d_interleaveOnOff, s.d_channelsOnOff);
            cal.d_adcLevels = s.d_adcLevels;
            cal.setState(&s);
            cal.buildTables(s.d_interleaveOnOff, s.d_channelsOnOff);
            s.p_calibration = &cal;
        } else {
            d_ownSim = std::make_unique<SimRecords>(SimHardware::typical(setup.hw), options_);
            p_sim = d_ownSim.get();
            link = std::make_unique<SimLink>(*p_sim);
            link->bufferSizeMode = s.d_bufferSizeMode;
            link->init(setup.hw, static_cast<unsigned>(s.d_bufferSizeHardware));
            hardware = link.get();
            configureCalibration();
        }
        hardware->d_readLength = 2 * s.d_acquireLength;
        program();
        transform = std::make_unique<TransformHardwareRaw>(hardware, &raw, &s);
        capture = std::make_unique<Capture>(hardware, &s, &raw, transform.get());
        capture->setRegisterBlock(reg.getWriteBlock());
    }

    SimRecords& sim() { return *p_sim; }
    bool acquire() {
        short* out1 = nullptr;
        short* out2 = nullptr;
        const int sel = s.areBothChannelsOn() ? 0 : s.isChannelOn(_CH2) ? _CH2 : _CH1;
        return capture->acquire(sel, &out1, &out2);
    }
    std::vector<short> record(int ch) const {
        const short* p = raw.data(ch);
        return std::vector<short>(p, p + raw.size(ch));
    }
    // The corrected code the kernel should read for input volts on channel ch: the row of
    // the offset DAC value that was sent (the DAC moves in steps of about two codes on
    // _HW1/_HW2) plus the volts at the channel's scale.
    double expectedCode(int ch, double volts) const {
        const ChannelSettings& cs = s.d_channel[ch];
        const int v = cs.voltageDiv;
        const double gain = cal.getGain(ch, cs.channelCoupling, v);
        const double dac = settings.channel[ch - 1].offsetDac + cal.getOffset(ch, v, s.d_interleaveOnOff);
        const double offsetRows =
            setup.hw <= _HW2 ? (dac - 2500) * gain / kK12[v] : (dac - dacBase()) * gain / (6.75 * kK3[v]);
        const double rows = offsetRows + 50 * volts / volt_per_div(v);
        return s.d_adcLevels / 2 + rows / (gain * pixelFactor(setup.hw, v));
    }
    // Record position of the trigger as the display draws it.
    double triggerPosition() const {
        if (s.d_acquisitionMode <= _RIS && s.d_timeDiv <= 6)
            return s.d_ETSWindowStart + setup.position * s.d_ETSWindowLength / 500.0;
        if (s.d_acquisitionMode <= _RIS) return setup.position * s.d_samplesPerPixel;
        return setup.position * s.d_bufferSize / 500.0;
    }
    // Seconds per record position.
    double positionSeconds() const {
        if (s.isEquivalentTime()) return sec_per_div(s.d_timeDiv) / 50 / s.d_samplesPerPixel;
        return sec_per_div(s.d_timeDiv) * 10 / s.d_bufferSize;
    }

    ScopeSetup setup;
    SimRecords::Options d_options;
    State s;
    Calibration cal;
    Register reg;
    BufferRawData raw;
    std::unique_ptr<SimulatedUsb> rig; // Link::Usb
    std::unique_ptr<SimLink> link;     // Link::Direct
    Hardware* hardware = nullptr;
    std::unique_ptr<TransformHardwareRaw> transform;
    std::unique_ptr<Capture> capture;
    InstrumentSettings settings; // what the instrument took from the registers

private:
    void configureState() {
        s.d_hardwareVersion = setup.hw;
        s.d_adcLevels = setup.hw <= _HW2 ? 4096 : 1024;
        s.d_adcMaxCode = s.d_adcLevels - 1;
        s.d_bufferSizeMax = setup.hw <= _HW2 ? _10K : _500K;
        s.d_ETSOnOff = setup.ETS;
        s.setBufferSizeMode(setup.bufferSizeMode);
        s.setChannelOnOff(_CH1, setup.ch1);
        s.setChannelOnOff(_CH2, setup.ch2);
        for (int c = 0; c < 2; ++c) {
            s.d_channel[c + 1].voltageDiv = setup.voltDiv[c];
            s.d_channel[c + 1].channelCoupling = setup.coupling[c];
            s.d_channel[c + 1].voltageOffset = setup.offsetRow[c];
        }
        s.setTriggerSource(setup.triggerSource);
        s.setTriggerSlope(setup.slope);
        s.setTriggerLevel(setup.triggerRow);
        s.d_triggerMode = setup.triggerMode;
        s.setPeakDetectionOnOff(setup.peak);
        s.setTimeDiv(setup.timeDiv);
        s.setHorizontalPosition(setup.position);
        s.d_averageCount = setup.average;
        for (int ch : {_CH1, _CH2}) {
            if (!s.isChannelOn(ch)) continue;
            raw.resize(s.d_bufferSize, ch);
            if (setup.average > 1) raw.setNumberOfAverage(setup.average, ch);
        }
    }

    void configureCalibration() {
        const SimHardware& h = p_sim->hardware();
        cal.HardwareVersion = setup.hw;
        cal.d_adcLevels = s.d_adcLevels;
        for (int v = 0; v < 11; ++v) {
            cal.ampACCh1[v] = static_cast<float>(h.ampAC[0][v]);
            cal.ampDCCh1[v] = static_cast<float>(h.ampDC[0][v]);
            cal.ampACCh2[v] = static_cast<float>(h.ampAC[1][v]);
            cal.ampDCCh2[v] = static_cast<float>(h.ampDC[1][v]);
            cal.offsetNonInterleaveCh1[v] = h.offsetNonInterleave[0][v];
            cal.offsetNonInterleaveCh2[v] = h.offsetNonInterleave[1][v];
            cal.offsetInterleaveCh1[v] = h.offsetInterleave[0][v];
            cal.offsetInterleaveCh2[v] = h.offsetInterleave[1][v];
            cal.offsetACNonInterleaveCh1[v] = h.offsetACNonInterleave[0][v];
            cal.offsetACNonInterleaveCh2[v] = h.offsetACNonInterleave[1][v];
            cal.offsetACInterleaveCh1[v] = h.offsetACInterleave[0][v];
            cal.offsetACInterleaveCh2[v] = h.offsetACInterleave[1][v];
            cal.offsetADC2Ch1New[v] = h.offsetADC2New[0][v];
            cal.offsetADC2Ch2New[v] = h.offsetADC2New[1][v];
            cal.offsetACADC2Ch1New[v] = h.offsetACADC2New[0][v];
            cal.offsetACADC2Ch2New[v] = h.offsetACADC2New[1][v];
            cal.triggerCh1[v] = h.trigger[0][v];
            cal.triggerCh2[v] = h.trigger[1][v];
        }
        for (int k = 0; k < 3; ++k) {
            cal.nonlinearConstCh1[k] = static_cast<float>(h.nonlinear[0][k]);
            cal.nonlinearConstCh2[k] = static_cast<float>(h.nonlinear[1][k]);
            cal.nonlinearConstADC1Ch1[k] = static_cast<float>(h.adc1[0][k]);
            cal.nonlinearConstADC2Ch1[k] = static_cast<float>(h.adc2[0][k]);
            cal.nonlinearConstADC1Ch2[k] = static_cast<float>(h.adc1[1][k]);
            cal.nonlinearConstADC2Ch2[k] = static_cast<float>(h.adc2[1][k]);
        }
        cal.offsetADC2Ch1 = h.offsetADC2[0];
        cal.offsetADC2Ch2 = h.offsetADC2[1];
        cal.offsetACADC2Ch1 = h.offsetACADC2[0];
        cal.offsetACADC2Ch2 = h.offsetACADC2[1];
        for (int td = 0; td < 33; ++td) {
            cal.pppRealTime1Ch[td] = h.pppRealTime1Ch[static_cast<size_t>(td)];
            cal.pppRealTime2Ch[td] = h.pppRealTime2Ch[static_cast<size_t>(td)];
            cal.pppETS1Ch[td] = h.pppETS1Ch[static_cast<size_t>(td)];
            cal.pppETS2Ch[td] = h.pppETS2Ch[static_cast<size_t>(td)];
        }
        cal.ETSMin = h.ETSMin;
        cal.ETSMax = h.ETSMax;
        cal.ETSOffset = h.ETSOffset;
        cal.chipTemperatureCalib = h.chipTemperatureCalib;
        cal.setState(&s);
        cal.buildTables(s.d_interleaveOnOff, s.d_channelsOnOff);
        s.p_calibration = &cal;
    }

    // The delay counter and the horizontal offset of the time-base setters.
    void horizontal(int& counter, double& offset) const {
        const bool both = s.areBothChannelsOn();
        const int td = s.d_timeDiv;
        const int p = static_cast<int>(setup.position);
        const bool equivalent = s.isEquivalentTime();
        const int corr = both ? cal.pppETS2Ch[td] : cal.pppETS1Ch[td];
        const int h = both ? cal.pppRealTime2Ch[td] : cal.pppRealTime1Ch[td];
        int b = 500 - p;
        double g = 500 - p;
        if (equivalent) {
            b = static_cast<int>(b + corr);
            g += corr;
        }
        switch (td) {
        case 0: offset = ((b + 250) % 500) - 500; break;
        case 1: offset = (b % 250) - 250; break;
        case 2: offset = ((b + 50) % 100) - 100; break;
        case 3: offset = (b % 50) - 50; break;
        case 4: offset = (b % 25) - 25; break;
        case 5: offset = (b % 10) - 10; break;
        case 6:
        case 7: offset = (b % 5) - 5; break;
        default: offset = 0; break;
        }
        int delay;
        switch (td) {
        case 0: delay = static_cast<int>((g + 250) * 0.002) + 50; break;
        case 1: delay = static_cast<int>(g * 0.004) + 50; break;
        case 2: delay = static_cast<int>((g + 50) * 0.01) + 48; break;
        case 3: delay = static_cast<int>(g * 0.02) + 46; break;
        case 4: delay = static_cast<int>(g * 0.04) + 41; break;
        case 5: delay = static_cast<int>(g * 0.1) + 26; break;
        case 6: delay = static_cast<int>(g * 0.2) + 1; break;
        case 7: delay = 2 * static_cast<int>(g * 0.2 + 1); break;
        case 8: delay = static_cast<int>(g); break;
        case 9: delay = static_cast<int>(2 * g); break;
        case 10: delay = static_cast<int>(4 * g); break;
        case 11: delay = static_cast<int>(h + 10 * g); break;
        default:
            if (td >= 26) {
                delay = 0;
            } else if (s.d_bufferSizeMode == _10K) {
                delay = static_cast<int>(h + (both ? 10 : 20) * g);
            } else {
                delay = static_cast<int>(h + (both ? 500 : 1000) * g);
            }
        }
        counter = delay;
        if (!both && s.d_acquisitionMode == _RIS) counter += 1;
        counter += !both && s.d_acquisitionMode == _REAL_TIME ? 32 : 16;
    }

    int dacBase() const { return 2 * static_cast<int>(1250 / (s.d_ADCAmpFactor - 1)); }

    int offsetDac(int ch) const {
        const ChannelSettings& cs = s.d_channel[ch];
        const int v = cs.voltageDiv;
        const double gain = cal.getGain(ch, cs.channelCoupling, v);
        const double factor = gain == 0 ? 1.0 : 1.0 / gain;
        const int p = static_cast<int>(cs.voltageOffset);
        int value;
        if (setup.hw <= _HW2)
            value = static_cast<int>((p - 200) * kK12[v] * factor + 2500 + 0.5);
        else
            value = static_cast<int>((p - 200) * 6.75 * kK3[v] * factor + dacBase() + 0.5);
        value -= cal.getOffset(ch, v, s.d_interleaveOnOff);
        return std::clamp(value, 0, 4095);
    }

    int triggerDac() const {
        const int src = s.d_triggerSource;
        const ChannelSettings& cs = s.d_channel[src];
        const int v = cs.voltageDiv;
        const double gain = cal.getGain(src, cs.channelCoupling, v);
        const double factor = gain == 0 ? 1.0 : 1.0 / gain;
        const int L = static_cast<int>(s.d_triggerLevel);
        const int k = cal.getOffset(src, v, s.d_interleaveOnOff);
        const int t = src == _CH1 ? cal.triggerCh1[v] : cal.triggerCh2[v];
        int value;
        if (setup.hw == _HW1) {
            value = static_cast<int>((L - 200) * kK12[v] * factor + 2500) - (k + t);
        } else if (setup.hw == _HW2) {
            value = static_cast<int>(kK12[v] * (cs.triggerOffset - cs.voltageOffset) * factor * 0.5 + 2500) - (k + t);
        } else {
            value = static_cast<int>((L - 200) * 4.75 * kK3[v] * factor + 1250 + 0.5) - t;
        }
        if (s.d_triggerSlope == 0) value += setup.hw == _HW1 ? 20 : setup.hw == _HW2 ? 7 : 25;
        value = std::clamp(value, 0, 4095);
        if (setup.hw == _HW1) value /= 2;
        return value;
    }

    void program() {
        const int both = s.d_channelsOnOff;
        reg.loadTimeBaseTables(s.d_bufferSizeMode);
        reg.setTimebaseFirstBytes(s.d_ETSOnOff, both, s.d_numberOfETSTimeDiv);
        for (int ch : {_CH1, _CH2}) {
            reg.setVoltDiv(ch, s.d_channel[ch].voltageDiv, setup.hw);
            reg.setCoupling(ch, s.d_channel[ch].channelCoupling);
        }
        reg.setEdgeTrigger(s.d_triggerSource, s.d_triggerSlope, setup.hw);
        reg.setTimebaseAndPeak(s.d_timeDiv, both, s.d_acquisitionMode,
                               s.d_peakDetectionOnOff && s.d_timeDiv >= s.d_peakDetectionMinTimeDiv);
        // After the time base, whose last byte shares register 27 with the mode bit.
        const bool roll = s.isRoll();
        reg.setTriggerModeBit(roll ? 1 : s.d_triggerMode);
        reg.setRollBit(roll ? 1 : 0);
        int counter = 0;
        horizontal(counter, s.d_horizontalOffset);
        reg.setCounter(counter, setup.hw);

        if (rig) {
            // As the setters send them: relays, the three DAC values, the time-base byte, the block.
            rig->usb->setRelays(reg.getRelayByte(), 500);
            for (int ch : {_CH1, _CH2}) {
                const int value = offsetDac(ch);
                reg.setOffsetDac(ch, value & 0xFF, (value >> 8) & 0x0F);
                rig->usb->writeDacBlock(reg.getDacBlock(), 500);
            }
            const int level = triggerDac();
            reg.setTriggerLevelDac(s.d_triggerSource, level & 0xFF, (level >> 8) & 0x0F);
            rig->usb->writeDacBlock(reg.getDacBlock(), 500);
            if (!roll) rig->usb->writeByte(static_cast<unsigned char>(timeBaseParameter(s.d_timeDiv)), 500);
            rig->usb->writeRegisters(reg.getWriteBlock(), 500);
            settings = rig->instrument().settings();
            return;
        }
        InstrumentRegisters regs;
        unsigned char* block = reg.getWriteBlock();
        block[InstrumentRegisters::blockLength(setup.hw) - 1] = 1; // go strobe
        regs.storeBlock(setup.hw, block);
        regs.dac[0] = offsetDac(_CH1);
        regs.dac[1] = offsetDac(_CH2);
        regs.dac[s.d_triggerSource == _CH1 ? 2 : 3] = triggerDac();
        settings = InstrumentSettings::decode(setup.hw, regs, reg.getRelayByte());
        p_sim->arm(settings, std::chrono::milliseconds(0));
    }

    TempDir d_dir;
    std::unique_ptr<SimRecords> d_ownSim;
    SimRecords* p_sim = nullptr;
};

} // namespace sim_scope
