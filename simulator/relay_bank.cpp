#include "relay_bank.h"

namespace {

// Relay pair (a, b) of an attenuator: both off range 0, both on range 1, only b range 2.
unsigned char pairBits(bool a, bool b, unsigned char range1, unsigned char range2) {
    if (!a && !b) return 0;
    if (a && b) return range1;
    if (b) return range2;
    return static_cast<unsigned char>(range1 | range2);
}

} // namespace

void RelayBank::write(unsigned char lines, std::chrono::milliseconds now) {
    ++d_writes;
    if (d_lines != 0) {
        if (now - d_since >= MIN_PULSE) {
            if (d_lines & 0x80) {
                d_relays = static_cast<unsigned char>(d_relays & d_lines & 0x3F);
            } else {
                d_relays = static_cast<unsigned char>(d_relays | (d_lines & 0x3F));
            }
        } else {
            ++d_shortPulses;
        }
        if (lines != 0) ++d_unreleasedPulses;
    }
    d_lines = lines;
    d_since = now;
}

unsigned char RelayBank::relayByte() const {
    auto on = [this](int k) { return ((d_relays >> k) & 1) != 0; };
    return static_cast<unsigned char>((on(0) ? 0x01 : 0) | pairBits(on(1), on(2), 0x02, 0x04) | (on(3) ? 0x08 : 0) |
                                      pairBits(on(4), on(5), 0x10, 0x20));
}
