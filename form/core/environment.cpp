#include "environment.h"

#include "ini_file.h"

#include <algorithm>
#include <utility>

namespace {

const char* const TOOLBAR_NAMES[NUMBER_OF_TOOLBARS] = {"file", "display", "channel", "trig", "runstop", "util"};

// Screen geometry of the tool bars is kept as the framework's 16-bit coordinates.
constexpr int MIN_POSITION = -32768;
constexpr int MAX_POSITION = 32767;
constexpr int MAX_COLOR = 0xFFFFFF;
constexpr int MAX_HUE_START = 180;

enum class OutOfRange { useDefault, clamp };

// Walks the 64 stored keys in the file's order; `io` reads or writes each one.
template <class Io>
void walkKeys(Environment& e, const Environment& d, Io& io) {
    io.flag("Option", "BackgroundInvert", e.BackgroundInvert, d.BackgroundInvert);
    io.flag("Option", "SetupInformationInclude", e.SetupInformationInclude, d.SetupInformationInclude);
    io.flag("Option", "DateInclude", e.DateInclude, d.DateInclude);
    io.flag("Option", "BoundaryOnOff", e.BoundaryOnOff, d.BoundaryOnOff);
    io.flag("Option", "CrossOnOff", e.CrossOnOff, d.CrossOnOff);
    io.flag("Option", "GridOnOff", e.GridOnOff, d.GridOnOff);
    io.flag("Option", "ColorGrayMode", e.ColorGrayMode, d.ColorGrayMode);
    io.flag("Option", "ColorOnOffCh1", e.ColorOnOffCh1, d.ColorOnOffCh1);
    io.flag("Option", "ColorOnOffCh2", e.ColorOnOffCh2, d.ColorOnOffCh2);
    io.flag("Option", "TitleOnOff", e.TitleOnOff, d.TitleOnOff);
    io.number("Option", "GridOriginColor", e.GridOriginColor, d.GridOriginColor, 0, MAX_COLOR, OutOfRange::useDefault);
    // The start hue indexes the hue table: a stray value is brought into the dialog's range.
    io.number("Option", "ColorStartPos", e.ColorStartPos, d.ColorStartPos, 0, MAX_HUE_START, OutOfRange::clamp);
    io.text("Option", "Title", e.Title, d.Title);
    for (int i = 0; i < NUMBER_OF_TOOLBARS; ++i) {
        const std::string bar = TOOLBAR_NAMES[i];
        ToolBarLayout& l = e.toolBarLayout[i];
        const ToolBarLayout& def = d.toolBarLayout[i];
        io.flag("MainForm", bar + "Visible", l.Visible, def.Visible);
        io.flag("MainForm", bar + "Float", l.Float, def.Float);
        io.number("MainForm", bar + "Width", l.Width, def.Width, 0, MAX_POSITION, OutOfRange::useDefault);
        io.number("MainForm", bar + "Height", l.Height, def.Height, 0, MAX_POSITION, OutOfRange::useDefault);
        io.number("MainForm", bar + "Top", l.Top, def.Top, MIN_POSITION, MAX_POSITION, OutOfRange::useDefault);
        io.number("MainForm", bar + "Left", l.Left, def.Left, MIN_POSITION, MAX_POSITION, OutOfRange::useDefault);
        io.number("MainForm", bar + "ClientTop", l.ClientTop, def.ClientTop, MIN_POSITION, MAX_POSITION,
                  OutOfRange::useDefault);
        io.number("MainForm", bar + "ClientLeft", l.ClientLeft, def.ClientLeft, MIN_POSITION, MAX_POSITION,
                  OutOfRange::useDefault);
    }
    io.number("Measurement", "UpperLevel", e.UpperLevel, d.UpperLevel, 0, 100, OutOfRange::useDefault);
    io.number("Measurement", "LowerLevel", e.LowerLevel, d.LowerLevel, 0, 100, OutOfRange::useDefault);
    io.flag("MainForm", "FullInfoOnOff", e.FullInfoOnOff, d.FullInfoOnOff);
}

struct Reader {
    const IniFile& ini;
    template <class Flag>
    void flag(std::string_view section, std::string_view key, Flag& field, bool def) {
        field = ini.readBool(section, key, def);
    }
    template <class Number>
    void number(std::string_view section, std::string_view key, Number& field, int def, int min, int max,
                OutOfRange rule) {
        const int v = ini.readInteger(section, key, def);
        if (v >= min && v <= max)
            field = v;
        else
            field = rule == OutOfRange::clamp ? std::clamp(v, min, max) : def;
    }
    void text(std::string_view section, std::string_view key, std::string& field, const std::string& def) {
        field = ini.readString(section, key, def);
    }
};

struct Writer {
    IniFile& ini;
    template <class Flag>
    void flag(std::string_view section, std::string_view key, Flag& field, bool) {
        ini.writeBool(section, key, field);
    }
    template <class Number>
    void number(std::string_view section, std::string_view key, Number& field, int, int, int, OutOfRange) {
        ini.writeInteger(section, key, field);
    }
    void text(std::string_view section, std::string_view key, std::string& field, const std::string&) {
        ini.writeString(section, key, field);
    }
};

} // namespace

Environment::Environment(std::string path) {
    environmentPath = std::move(path);
    load(environmentPath);
    cursorDragging = false;
    selectedObject = 0;
    wheelEnabled = false;
}

const Environment& Environment::defaults() {
    static const Environment d{DefaultsTag{}};
    return d;
}

std::array<ToolBarLayout, NUMBER_OF_TOOLBARS> StoredOptions::defaultToolBarLayout() {
    return {{
        {true, false, 214, 30, 2, 11, 0, 0},   // file
        {true, false, 272, 30, 2, 148, 0, 0},  // display
        {true, false, 404, 30, 36, 11, 0, 0},  // channel
        {true, false, 138, 30, 36, 428, 0, 0}, // trig
        {true, false, 124, 30, 2, 433, 0, 0},  // runstop
        {true, false, 32, 30, 2, 570, 0, 0},   // util
    }};
}

bool Environment::load(const std::string& path) {
    // A missing or unreadable file is no error: every key then takes its default.
    const IniFile ini(path);
    Reader reader{ini};
    walkKeys(*this, defaults(), reader);
    return true;
}

bool Environment::save(const std::string& path) {
    IniFile ini(path);
    if (!ini.loadedOk()) {
        // Its title and the keys of other programs would be lost.
        d_saveError = ini.error() + "; it is kept as it is";
        return false;
    }
    Writer writer{ini};
    walkKeys(*this, defaults(), writer);
    if (!ini.save()) {
        d_saveError = ini.error();
        return false;
    }
    d_saveError.clear();
    return true;
}

void recordToolbarGeometry(ToolBarLayout& layout, const ToolbarGeometry& g) {
    layout.Visible = g.visible;
    layout.Float = g.floating;
    if (g.floating) {
        layout.Width = g.undockedWidth;
        layout.Height = g.undockedHeight;
    } else {
        layout.ClientLeft = g.left;
        layout.ClientTop = g.top;
        layout.Width = g.width;
        layout.Height = g.height;
    }
}
