#pragma once
// Display lookup: the display row of every raw code, one block of 4096 rows per trace.
// Rows grow with the code; rows outside the image stay in the table and drawing skips them.

#include <cstdint>

class State;

constexpr int TABLE_RAW_DISPLAY_CODES = 4096;
constexpr int VOLT_DIV_CODES = 11;

class TableRawDisplay {
public:
    // Sets the pixel factor of every volt/div code from State's hardware version and
    // converter amplifier factor (all 0 below generation 1). Every row starts at 0.
    explicit TableRawDisplay(State* state_);
    virtual ~TableRawDisplay() = default;

    // Rows of channel ch_ (_CH1.._REFERENCE) for its current volt/div and coupling:
    // row = trunc((code - N/2) x (gain x factor) + H/2 + 0.5), N = d_adcLevels, H =
    // d_displayHeight, gain the calibration gain (1.0 when State has no calibration).
    // false for another channel code or a volt/div outside 0..10.
    bool build(int ch_);

    // The row rule itself, for codes 0 .. d_adcLevels - 1:
    // row = trunc((code - centre_) x scale_ + rowNow_ + 0.5). Used by build and by the
    // re-scale of stopped and reference records. false for another channel code.
    bool fillRows(int ch_, int centre_, double scale_, int rowNow_);

    // The stored row; -1 for a channel code other than 1..4 or a code outside 0..4095.
    int getRow(int ch_, int code_) const {
        if (ch_ < 1 || ch_ > 4 || code_ < 0 || code_ >= TABLE_RAW_DISPLAY_CODES) return -1;
        return d_table[ch_ - 1][code_];
    }
    // The channel's 4096 rows; null for another channel code.
    const int32_t* rows(int ch_) const { return ch_ >= 1 && ch_ <= 4 ? d_table[ch_ - 1] : nullptr; }
    // Pixel factor of a volt/div code; 0 outside 0..10.
    double getFactor(int voltDiv_) const {
        return voltDiv_ >= 0 && voltDiv_ < VOLT_DIV_CODES ? d_factor[voltDiv_] : 0.0;
    }

private:
    double d_factor[VOLT_DIV_CODES] = {};
    State* p_state = nullptr;
    int32_t d_table[4][TABLE_RAW_DISPLAY_CODES] = {}; // channel 1, channel 2, math, reference
};
