#include "units.h"

#include <array>
#include <cstddef>

#include "codes.h"

namespace {

constexpr std::array<double, NUMBER_OF_TIME_DIVS> kSecPerDiv = {
    2e-9, 4e-9, 1e-8, 2e-8, 4e-8, 1e-7, 2e-7, 4e-7, 1e-6, 2e-6, 4e-6, // 0 to 10
    1e-5, 2e-5, 4e-5, 1e-4, 2e-4, 4e-4,                               // 11 to 16
    1e-3, 2e-3, 4e-3, 1e-2, 2e-2, 4e-2, 0.1,  0.2,  0.4,              // 17 to 25
    1,    2,    4,    10,   20,   40,   100,                          // 26 to 32
};

constexpr std::array<double, _10V_DIV + 1> kVoltPerDiv = {
    0.005, 0.01, 0.02, 0.05, 0.1, 0.2, 0.5, 1, 2, 5, 10,
};

} // namespace

double sec_per_div(int timeDiv_) {
    if (timeDiv_ < 0 || timeDiv_ >= static_cast<int>(kSecPerDiv.size())) return 0;
    return kSecPerDiv[static_cast<size_t>(timeDiv_)];
}

double volt_per_div(int voltDiv_) {
    if (voltDiv_ < 0 || voltDiv_ >= static_cast<int>(kVoltPerDiv.size())) return 0;
    return kVoltPerDiv[static_cast<size_t>(voltDiv_)];
}

bool isValidProbe(int probe_) { return probe_ == _X1 || probe_ == _X10 || probe_ == _X100 || probe_ == _X1000; }

double probe_factor(int probe_) { return isValidProbe(probe_) ? probe_ : 0; }
