#pragma once
// The instrument set-ups the sample-record target decodes under: one per acquisition
// method and generation family. The first byte of an input picks one.

#include "sim_scope.h"

#include <array>

inline std::array<sim_scope::ScopeSetup, 9> sampleSetups() {
    using sim_scope::ScopeSetup;
    std::array<ScopeSetup, 9> s{};
    s[0].hw = _HW1;                                               // real time, one channel
    s[1].hw = _HW3, s[1].ch2 = true;                              // real time, both channels
    s[2].hw = _HW4, s[2].timeDiv = _10US_DIV;                     // both converters on one channel
    s[3].hw = _HW1, s[3].timeDiv = _20NS_DIV;                     // equivalent time
    s[4].hw = _HW3, s[4].timeDiv = _20NS_DIV, s[4].ETS = false;   // repeated real time
    s[5].hw = _HW2, s[5].timeDiv = _1S_DIV, s[5].ch2 = true;      // roll
    s[6].hw = _HW4, s[6].bufferSizeMode = _500K, s[6].ch2 = true; // 500k points
    s[7].hw = _HW3, s[7].peak = true;                             // peak detection
    s[8].hw = _HW1, s[8].average = 4;                             // averaging
    return s;
}
