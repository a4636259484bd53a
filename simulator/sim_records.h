#pragma once
// The simulated instrument's captured records, encoded from the protocol: the input signals
// pass the front end the host programmed (attenuator range, gain bit, coupling, offset DAC),
// the converters with their errors (SimHardware) and noise, and are sampled as the time
// base, the trigger and the delay counter say. Nothing here calls the kernel's decoders.
//
// What the registers tell the instrument (InstrumentSettings):
//   register 1 (SC)      bits 1/2 channels sampled, bit 3 both converters (interleaved one
//                        channel, or equivalent time), bit 6 peak detection
//   registers 2-4        converter clock divider: 100 MHz / (r2 + 1) / (r3 + 256 r4 + 1)
//   registers 5-6 (MC)   record words / 16 (one converter) or / 32 (two)
//   register 27          time/div code (0..25; 29..32 roll), bit 7 normal trigger mode
//   registers 7-10       delay counter; 11, 12 trigger kind, edge source and slope, with
//                        13-15 the advanced trigger (TriggerCondition)
//   DAC block            offset of each channel, trigger level of the source
// Time/div codes 0 to 10 are equivalent time: each bulk read of a record is a new trigger
// whose trigger-to-clock time the status word's TDC count tells.
//
// Not locked: the instrument calls it under its own lock.
//
// The front end settles (on the clock's time, as the samples are taken): a relay that moves
// bounces for RELAY_SETTLE, samples then alternating between the old and the new path; a
// channel switched to AC loses its input's DC with the coupling's time constant AC_TAU
// (switched back to DC the level is there once the relay has settled). Samples the model
// places before the capture was armed (its pre-trigger part) see no bounce.
//
// Status word (twice, then four unused bytes): bits 0-6 TDC count, bit 7 clear in the second
// half of the converter period, bit 8 triggered, bit 9 TDC bit 7 (generations 3, 4). Roll
// reads hold sample pairs from byte 0 and no status.

#include "instrument_settings.h"
#include "record_source.h"
#include "signal_source.h"
#include "sim_records_hardware.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <vector>

class Clock;

class SimRecords final : public RecordSource {
public:
    // A small signal relay's contact bounce and the attenuator's recovery after it.
    static constexpr double RELAY_SETTLE = 4e-3;
    static constexpr double RELAY_BOUNCE = 0.5e-3; // each bounce: the old path, then the new
    // 1 MOhm input over a 22 nF coupling capacitor: a 7 Hz corner.
    static constexpr double AC_TAU = 22e-3;
    struct Options {
        std::shared_ptr<Signal> signal[2]; // channel 1, channel 2; null: defaultSignal
        double inputNoise = 0.0005;        // volts rms at the input
        double converterNoise = 0.4;       // codes rms at the converter
        std::uint64_t seed = 20240611;
        int chipTemperature = 30; // what the counter request reads (signed byte)
        // Not null: captures take their real time on this clock (the demo); roll reads wait
        // for their samples.
        Clock* pace = nullptr;
    };

    // Faults of the next captures: a broken sample word, status copies that differ.
    struct Fault {
        int captures = 1;     // how many captures carry it
        int corruptWord = -1; // sample word (0-based after the header) with both half markers set
        bool mismatchedStatus = false;
    };

    // What the last capture was, for tests.
    struct CaptureInfo {
        bool triggered = false;
        double triggerTime = 0;     // seconds
        double firstSampleTime = 0; // time of sample word 0 (channel 1's first sample)
        int phase = 0;              // trigger-to-clock phase 0..99 (equivalent time)
        int tdcCount = 0;
        int status = 0;
        int words = 0; // sample words in the record
    };

    // The records of a simulated instrument of this generation with the default signals, or
    // with both inputs at 0 V when shorted_; pace_ as in Options.
    static std::unique_ptr<SimRecords> forInstrument(int generation_, int chipTemperature_, Clock* pace_,
                                                     bool shorted_ = false);

    explicit SimRecords(SimHardware hardware_);
    SimRecords(SimHardware hardware_, Options options_);
    ~SimRecords() override;

    void arm(const InstrumentSettings& settings_, std::chrono::milliseconds now_) override;
    bool ready(std::chrono::milliseconds now_) override;
    int read(unsigned char* out_, int length_) override;
    bool dataReady(std::chrono::milliseconds now_) override { return ready(now_); }
    void frontEndSwitched(const InstrumentSettings& settings_, std::chrono::milliseconds now_) override;

    void setSignal(int channelIndex_, std::shared_ptr<Signal> signal_);
    void injectFault(const Fault& fault_) { d_fault = fault_; }
    const CaptureInfo& lastCapture() const { return d_info; }
    const SimHardware& hardware() const { return d_hardware; }

    // The true converter code (before the converter's own errors and noise) of input volts_
    // on a channel with these settings; for tests of the front end.
    double trueCode(const InstrumentSettings& settings_, int channelIndex_, double volts_) const;
    // The trigger level as input volts of the source channel.
    double triggerVolts(const InstrumentSettings& settings_) const;
    // The same for channel index 0 or 1 from its own trigger-level DAC.
    double triggerVoltsOf(const InstrumentSettings& settings_, int channelIndex_) const;
    // The raw code a converter gives for a true code (no noise, not rounded).
    double converterCode(const InstrumentSettings& settings_, int channelIndex_, int converterBit_,
                         double trueCode_) const;

private:
    enum class Kind { RealTime, EquivalentTime, Roll };

    // The front end of one channel: volts to true converter codes, and each converter's
    // errors, for one set of settings.
    struct Channel {
        int levels = 4096;
        int voltDiv = 0; // the first volt/div code of the channel's path
        double codesPerVolt = 0;
        int zeroError = 0;     // of the offset DAC, in DAC steps
        double offsetCode = 0; // true code of 0 V
        double dcRemoved = 0;  // what AC coupling takes away
        const Signal* signal = nullptr;
        SimHardware::Polynomial poly[2]{}; // by converter bit
        double converterOffset[2]{};       // raw codes below the true ones
        bool wide = false;

        // The raw code of true code f_ (no noise, not rounded).
        double forward(int converterBit_, double f_) const;
    };
    Channel channelFor(const InstrumentSettings& settings_, int channelIndex_) const;

    // A channel's front end after its relays last moved.
    struct Settling {
        Channel before;           // the path before
        double switchedAt = -1e9; // seconds
        double acFrom = -1e9;     // switched to AC at (still AC)
        double until = -1e9;      // settled from here on
    };

    Kind kind() const;
    // Looks for the trigger at or after from_; false when there is none in normal mode
    // (unless force_: then an untriggered capture at from_).
    bool findTrigger(double from_, bool force_);
    // Builds the next record into d_record, searching the trigger from now_ on at the earliest.
    void prepare(double now_, bool force_);
    void encodeRealTime();
    void encodeEquivalentTime();
    int encodeRollRead(unsigned char* out_, int length_);
    void putStatus(int tdcCount_, bool secondHalf_);
    void putWord(size_t byteOffset_, int code_, int channelBit_);
    // Raw converter code of a channel at time t_ (with noise), rounded and clipped.
    int sample(int channelIndex_, int converterBit_, double t_);
    // The same for the signal's value signalVolts_ (before coupling and noise).
    int convert(int channelIndex_, int converterBit_, double signalVolts_) {
        return convert(d_channel[channelIndex_], converterBit_, signalVolts_);
    }
    int convert(const Channel& channel_, int converterBit_, double signalVolts_);
    // The same at time t_ while the channel's front end settles.
    int convertSettling(int channelIndex_, int converterBit_, double signalVolts_, double t_);
    int peakSample(int channelIndex_, int converterBit_, double from_, double to_, bool maximum_);
    int tdcCountFor(int phase_) const;
    void buildTdcTable();
    int recordWords() const;

    SimHardware d_hardware;
    Options d_options;
    GaussianNoise d_noise;
    InstrumentSettings d_settings;
    Channel d_channel[2];
    Settling d_settling[2];
    double d_armedAt = 0;      // seconds
    double d_triggerLevel = 0; // volts on the source channel
    std::array<int, 50> d_tdcCount{};

    double d_now = 0;        // seconds: the instrument's time when armed or last read
    double d_nextSearch = 0; // the next trigger is looked for from here
    bool d_prepared = false;
    bool d_triggerable = false;
    double d_readyAt = 0;
    std::vector<unsigned char> d_record;
    std::vector<double> d_volts[2]; // a real-time record's signal values, by channel
    size_t d_position = 0;
    double d_rollTime = 0;
    Fault d_fault;
    CaptureInfo d_info;
};
