#pragma once
// The instrument's six latching relays (coupling and attenuator of both channels), driven
// by pulses on the relay lines (request 0xB5). A write with bit 7 set is a reset pulse for
// every relay whose line is 0; a write with bit 7 clear is a set pulse for every relay
// whose line is 1; 0x00 releases the coils. A relay switches when a pulse that was held
// at least MIN_PULSE is released: shorter pulses are lost, as on the real coils.

#include <chrono>

class RelayBank {
public:
    static constexpr std::chrono::milliseconds MIN_PULSE{15};

    // The lines as written at time `now`.
    void write(unsigned char lines, std::chrono::milliseconds now);

    // Latched relays, bit k = relay k switched on (bits 0..5).
    unsigned char relays() const { return d_relays; }
    // The relays in the form of the kernel's relay byte: bit 0 channel 1 AC, bits 1-2
    // channel 1 attenuator range (0x02 range 1, 0x04 range 2), bit 3 channel 2 AC, bits
    // 4-5 channel 2 range (0x10, 0x20). A pair in no defined position reads as both bits.
    unsigned char relayByte() const;
    // Pulses released before MIN_PULSE (their relays did not move).
    int shortPulses() const { return d_shortPulses; }
    // Pulses written while another was still held (no 0x00 between them).
    int unreleasedPulses() const { return d_unreleasedPulses; }
    // Writes seen.
    int writes() const { return d_writes; }

private:
    unsigned char d_lines = 0;
    std::chrono::milliseconds d_since{0};
    unsigned char d_relays = 0;
    int d_shortPulses = 0;
    int d_unreleasedPulses = 0;
    int d_writes = 0;
};
