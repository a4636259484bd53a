#include "trigger_condition.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Conditions of channels 1 and 2 by the code in register 12 bits 0-2.
constexpr int X = TriggerCondition::DONT_CARE;
constexpr int kConditionsHw1[8][2] = {{0, X}, {1, X}, {X, 0}, {X, 1}, {0, 0}, {1, 0}, {0, 1}, {1, 1}};
constexpr int kConditionsHw2[8][2] = {{1, X}, {0, X}, {X, 1}, {X, 0}, {1, 1}, {0, 1}, {1, 0}, {0, 0}};

constexpr int kStepsPerPeriod = 1000;
constexpr double kMaxSteps = 4e6;
constexpr int kBisections = 40;

} // namespace

TriggerCondition TriggerCondition::decode(const InstrumentSettings& s) {
    TriggerCondition c;
    const auto& table = s.generation == 1 ? kConditionsHw1 : kConditionsHw2;
    c.d_condition[0] = table[s.logicConditions & 7][0];
    c.d_condition[1] = table[s.logicConditions & 7][1];
    c.d_combination = s.pulseKind;
    c.d_pulseOn = s.pulseOn;
    c.d_pulseLonger = s.pulseCondition;
    c.d_pulseSeconds = s.pulseValue * TICK;
    return c;
}

bool TriggerCondition::advanced() const { return d_pulseOn || bothChannels(); }

bool TriggerCondition::holds(const Signal* const signals[2], const double levels[2], double t, bool& ch1,
                             bool& ch2) const {
    bool side[2] = {true, true};
    for (int c = 0; c < 2; ++c)
        if (d_condition[c] != DONT_CARE) side[c] = (signals[c]->volts(t) >= levels[c]) == (d_condition[c] == 1);
    ch1 = side[0];
    ch2 = side[1];
    if (!bothChannels()) return ch1 && ch2;
    switch (d_combination) {
    case 3: return ch1 || ch2;
    case 4: return !(ch1 && ch2);
    case 5: return !(ch1 || ch2);
    default: return ch1 && ch2;
    }
}

std::optional<double> TriggerCondition::next(const Signal* const signals[2], const double levels[2],
                                             double from) const {
    double shortest = 0, longest = 0;
    for (int c = 0; c < 2; ++c) {
        if (d_condition[c] == DONT_CARE) continue;
        const double T = signals[c]->period();
        if (T <= 0) continue;
        shortest = shortest == 0 ? T : std::min(shortest, T);
        longest = std::max(longest, T);
    }
    if (shortest == 0) return std::nullopt; // nothing that changes
    const double span = std::max(10 * longest, 2 * (d_pulseOn ? d_pulseSeconds : 0) + 2 * longest);
    const double step = std::max(shortest / kStepsPerPeriod, span / kMaxSteps);

    // The edge kinds count a change of their edge channel only.
    const bool edgeKind = bothChannels() && (d_combination == 0 || d_combination == 1);
    const int edgeChannel = d_combination == 1 ? 1 : 0;
    auto state = [&](double t, bool& edge) {
        bool a = false, b = false;
        const bool q = holds(signals, levels, t, a, b);
        edge = edgeChannel == 0 ? a : b;
        return q;
    };
    // The instant in (lo, hi] where the condition (or the edge channel) becomes `to`.
    auto refine = [&](double lo, double hi, bool to, bool onEdge) {
        for (int k = 0; k < kBisections; ++k) {
            const double mid = (lo + hi) / 2;
            bool edge = false;
            const bool q = state(mid, edge);
            ((onEdge ? edge : q) == to ? hi : lo) = mid;
        }
        return hi;
    };

    bool edgeBefore = false;
    bool before = state(from, edgeBefore);
    // A pulse counts only when its start was seen (NaN: not seen).
    double pulseStart = std::numeric_limits<double>::quiet_NaN();
    for (double t = from + step; t <= from + span; t += step) {
        bool edge = false;
        const bool now = state(t, edge);
        const bool rose = now && !before && (!edgeKind || (edge && !edgeBefore));
        if (rose) {
            const double at = refine(t - step, t, true, edgeKind);
            if (!d_pulseOn) return at;
            pulseStart = at;
        } else if (!now && before && d_pulseOn && !std::isnan(pulseStart)) {
            const double end = refine(t - step, t, false, false);
            const double width = end - pulseStart;
            if (d_pulseLonger ? width > d_pulseSeconds : width < d_pulseSeconds) return end;
            pulseStart = std::numeric_limits<double>::quiet_NaN();
        } else if (now && !before) {
            pulseStart = std::numeric_limits<double>::quiet_NaN(); // an edge kind's condition came without its edge
        }
        before = now;
        edgeBefore = edge;
    }
    return std::nullopt;
}
