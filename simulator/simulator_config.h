#pragma once
// Settings of a simulated instrument. An installation chooses them in its registry file,
// section "Simulator":
//   hardwareVersion     generation 1..4 (default 4)
//   programmed          1: the instrument is there at once; 0 (default): it starts as the
//                       unprogrammed controller and appears once its firmware runs
//   devices             instruments on the bus (default 1)
//   fpgaVersion         the version byte (default 33)
//   chipTemperature     first byte of the counter reading, signed (default 30)
//   reenumerationDelay  milliseconds from the firmware's start to the instrument's arrival
//   realTime            1: the clock follows real time (the program); 0: virtual (tests)
//   transferLog         transfers the bus keeps in its log, the newest (default 65536;
//                       0 keeps none). The program reads no log: it keeps none
//   holdStatusPoll      1 (default): in NORMAL trigger mode the status request stays
//                       unanswered until a record is ready, as a real instrument's does, and
//                       times out when none comes within its time-out; 0: it answers 0 at once
//   shortedInputs       1: both inputs shorted (0 V), as for a zero calibration; 0
//                       (default): the demo signals

#include "simulated_clock.h"

#include <chrono>
#include <string_view>

class IniFile;

struct SimulatorConfig {
    int hardwareVersion = 4;
    bool programmed = false;
    int devices = 1;
    int fpgaVersion = 33;
    int chipTemperature = 30;
    std::chrono::milliseconds reenumerationDelay{500};
    SimulatedClock::Mode clockMode = SimulatedClock::Mode::Virtual;
    int transferLog = 65536;
    bool holdStatusPoll = true;
    bool shortedInputs = false;

    // Values out of range are taken at the nearest end; missing keys keep `defaults`.
    static SimulatorConfig read(const IniFile& ini, std::string_view section, const SimulatorConfig& defaults);
};
