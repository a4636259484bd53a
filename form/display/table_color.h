#pragma once
// Colour of every trace type and intensity level, ready to store as a pixel.
// Two banks: the screen bank in the renderer's pixel form, and the export bank, always in
// GDI colour form (0x00BBGGRR), which the screen-image output uses.
// Written on the GUI thread, read by the drawing of the acquisition cycle; no lock of its own.

#include "software_surface.h"

#include <array>
#include <cstdint>

class TableColor {
public:
    static constexpr int TABLE_SIZE = 128;    // intensity levels 0..127
    static constexpr int NUMBER_OF_TYPES = 4; // trace types 1 CH1, 2 CH2, 3 math, 4 reference
    static constexpr int HUE_COUNT = 180;     // entries of the hue table
    static constexpr int GDI_MODE = 2;        // graphic mode whose screen bank is in GDI form

    // Both banks start black; they are meant to be built before use.
    TableColor() = default;

    // Stores a screen-bank entry. A level outside 0..TABLE_SIZE-1 ends the program
    // ("pos_ < TABLE_SIZE"); a type outside 1..4 stores nothing.
    void set(int type, int pos_, int value);
    // Screen-bank entry; 0 for a type outside 1..4 or a level outside 0..127.
    int get(int type, int level) const {
        return validType(type) && validLevel(level) ? d_table[(type - 1) * TABLE_SIZE + level] : 0;
    }
    // Export-bank entry (0x00BBGGRR); 0 for a type outside 1..4 or a level outside 0..127.
    int getExportColor(int type, int level) const {
        return validType(type) && validLevel(level) ? d_table[EXPORT_BANK + (type - 1) * TABLE_SIZE + level] : 0;
    }

    // Fills both banks of one type. graphicMode 2 packs the screen bank in GDI form, any other
    // mode in `surfaceFormat`. With `colourTrack` (honoured for types 1 and 2 only) level i
    // takes hue-table entry hueStart + i (wrapped once at 180); else the type's brightness ramp.
    // hueStart is clamped into 0..180.
    void build(int type, int graphicMode, int surfaceFormat, int hueStart, bool colourTrack);
    // The colour-track screen bank of one type.
    void buildHuePalette(int type, int graphicMode, int surfaceFormat, int hueStart);
    // The export bank of one type: colour track (types 1 and 2) or brightness ramp.
    void buildExportBank(int type, int hueStart, bool colourTrack);

    // Entry 0..179 of the hue table (entry 179 - h holds hue h, 2 degrees per hue), packed as
    // build() packs it. Also used for the colour strip of the options dialog.
    static int hueColor(int entry, int graphicMode, int surfaceFormat);
    // Hue-table entry of level 0..127 for a start position 0..180.
    static int trackEntry(int hueStart, int level);

private:
    static constexpr int EXPORT_BANK = NUMBER_OF_TYPES * TABLE_SIZE;
    static bool validType(int type) { return type >= 1 && type <= NUMBER_OF_TYPES; }
    static bool validLevel(int level) { return level >= 0 && level < TABLE_SIZE; }

    std::array<std::int32_t, 2 * NUMBER_OF_TYPES * TABLE_SIZE> d_table{};
};
