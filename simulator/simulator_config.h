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
//   returnProgrammed    1: a re-plugged instrument comes back programmed; 0 (default): as
//                       the unprogrammed controller, as a unit that lost its power does
//   bulkBytesPerSecond  the rate bulk data cross the bus on its clock (default 40000000,
//                       a USB 2.0 bulk pipe; 0: at once)
//   paceRecords         1 (default): a record is ready only once its acquisition time has
//                       passed on the clock, and a bulk read before that waits or times
//                       out; 0: at once
//   Every request that goes through takes 375 us of the clock (a high-speed control
//   transfer: three stages, a 125 us microframe each), bulk data their time at
//   bulkBytesPerSecond; a bus at 0 takes none.
//   glitchEvery         N > 0: every N-th transfer to the instrument fails once (the next
//                       try works); 0 (default): none
//   glitchKind          how: 0 a stall (default), 1 a time-out, 2 a short read
//   unplugEveryMs       T > 0: the instrument is pulled every T ms (0: never)
//   unplugBackAfterMs   ... and arrives again this much later (default 1000)

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
    bool returnProgrammed = false;
    int bulkBytesPerSecond = 40000000;
    bool paceRecords = true;
    int glitchEvery = 0;
    int glitchKind = 0;
    int unplugEveryMs = 0;
    int unplugBackAfterMs = 1000;

    // Values out of range are taken at the nearest end; missing keys keep `defaults`.
    static SimulatorConfig read(const IniFile& ini, std::string_view section, const SimulatorConfig& defaults);
};
