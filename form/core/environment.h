#pragma once
// The main window's record of screen and desk options, kept in "environment.ini" in the
// main directory, and the never-stored working state of the display's mouse tools.
// Plain field access; only load and save do anything. Each part below says which thread may
// touch it and how.

#include <array>
#include <atomic>
#include <mutex>
#include <string>
#include <vector>

// A point in display pixels: x 0..500 from the left, y 0..400 from the top.
struct DisplayPoint {
    int x = 0;
    int y = 0;
};

// One user text label on the display. Colours are 0x00BBGGRR values.
struct LabelListName {
    int backgroundColor = 0x000000;
    int textColor = 0xFFFFFF;
    int x = 0;       // left edge, display pixels
    int y = 0;       // top edge, display pixels
    int width = 0;   // 15 x the number of characters of `text`
    int height = 15; // always 15
    std::string text;
};
constexpr int MAX_LABELS = 12;

// Layout of one tool bar. Only `Visible` is applied to the bar; the rest is kept for the file.
struct ToolBarLayout {
    bool Visible = true;
    bool Float = false; // undocked
    int Width = 0;
    int Height = 0;
    int Top = 0;
    int Left = 0;
    int ClientTop = 0;
    int ClientLeft = 0;
};

// One tool bar as the main window reads it (pixels).
struct ToolbarGeometry {
    bool visible = false;
    bool floating = false; // undocked
    int undockedWidth = 0; // size of the floating window
    int undockedHeight = 0;
    int left = 0; // the bar's own position and size while docked
    int top = 0;
    int width = 0;
    int height = 0;
};

// The bar's layout from what the window reads: Visible and Float, then a floating bar's size,
// or a docked bar's place (into the Client keys: Top and Left keep the file's values) and size.
void recordToolbarGeometry(ToolBarLayout& layout, const ToolbarGeometry& geometry);

// Index into Environment::toolBarLayout, in the order of the file.
enum ToolBarIndex {
    _TOOLBAR_FILE = 0,
    _TOOLBAR_DISPLAY = 1,
    _TOOLBAR_CHANNEL = 2,
    _TOOLBAR_TRIG = 3,
    _TOOLBAR_RUNSTOP = 4,
    _TOOLBAR_UTIL = 5
};
constexpr int NUMBER_OF_TOOLBARS = 6;

// Written by the printer check, read by the print preview.
struct PrinterCaps {
    int horizontalDpi = 0;
    int verticalDpi = 0;
    int pageWidth = 0;  // physical page width, printer dots
    int pageHeight = 0; // physical page height, printer dots
};

// Environment is made of four parts, each with its own rule.

// The mouse tools' state the worker's drawing copies. Rule: the GUI thread holds
// toolStateLock while it changes these fields (its own reads need none); the cycle holds it
// while it copies them.
struct DrawnToolState {
    // 0 none, 1..4 volt/div of CH1, CH2, MATH, REF, 5 time/div, 6 label tool,
    // 7 cross cursor, 8 horizontal cursors, 9 vertical cursors.
    int selectedObject = 0;
    std::vector<LabelListName> labelList; // oldest first, at most MAX_LABELS
    DisplayPoint cursorA;
    DisplayPoint cursorB;
    std::mutex toolStateLock;
};

// The rest of the working state, never stored. Rule: GUI thread only.
struct GuiWorkingState {
    bool wheelEnabled = false;
    bool cursorDragging = false;    // a cursor or label drag is in progress
    int selectedLabel = -1;         // label under the last label-tool press, -1 none
    DisplayPoint labelPressPoint;   // anchor of label moves
    unsigned char activeCursor = 0; // 0 cursorA, 1 cursorB
    std::string verticalReadoutText;
    std::string horizontalReadoutText;
    PrinterCaps printerCaps;  // written by the printer check
    int savedTriggerMode = 0; // the user's trigger mode across a single shot
};

// The stored options the worker's cycle reads in every cycle. Rule: each is an atomic, read
// by the worker with no lock; the GUI thread writes them under the pause handshake
// (cycle/acquisition_thread.h), so a cycle sees a change whole.
struct CycleDrawOptions {
    std::atomic<bool> BoundaryOnOff{true};      // border ticks
    std::atomic<bool> CrossOnOff{true};         // centre cross with ticks
    std::atomic<bool> GridOnOff{true};          // dotted grid
    std::atomic<int> GridOriginColor{13421772}; // 0x00BBGGRR, light grey
    std::atomic<bool> FullInfoOnOff{true};      // information text on the full-screen display
};

// The other stored options. Rule: GUI thread only; the worker never reads them. What is
// derived from them for the cycle (the colour tables, the measurement levels the measurement
// window reads) is changed under the pause handshake.
struct StoredOptions {
    bool BackgroundInvert = false;        // white background in image output
    bool SetupInformationInclude = false; // settings block in image output
    bool DateInclude = false;             // date line in image output
    bool ColorGrayMode = true;            // colour (true) or monochrome image output
    int ColorStartPos = 53;               // start hue of the colour track, 0..180
    bool ColorOnOffCh1 = false;           // channel 1 drawn with the colour track
    bool ColorOnOffCh2 = false;
    bool TitleOnOff = false;
    std::string Title = "Velmora";
    std::array<ToolBarLayout, NUMBER_OF_TOOLBARS> toolBarLayout = defaultToolBarLayout();
    int UpperLevel = 90; // percent, measurement reference levels
    int LowerLevel = 10;
    std::string environmentPath;

    static std::array<ToolBarLayout, NUMBER_OF_TOOLBARS> defaultToolBarLayout();
};

class Environment : public DrawnToolState, public GuiWorkingState, public CycleDrawOptions, public StoredOptions {
public:
    // Keeps `path` as environmentPath and loads the file; labels and cursors start empty.
    // A missing or unreadable file gives every default.
    explicit Environment(std::string path);
    // Does not write the file: the owner calls save() once at shutdown and reports a failure.
    ~Environment() = default;
    Environment(const Environment&) = delete;
    Environment& operator=(const Environment&) = delete;

    // Reads every stored key. Each value is checked: a missing key, a value that is not a
    // number of its kind or a number out of its range takes the key's default, except
    // ColorStartPos, which is clamped into 0..180. Always returns true (a file that exists
    // but cannot be read is reported by the kernel at start).
    bool load(const std::string& path);
    // Writes every stored key into `path`, keeping keys this program does not know, through
    // a temporary file and a rename. False when the file cannot be written (the old file is
    // then intact); saveError() tells why. A file that exists but cannot be read is never
    // written over: false, with the reason.
    bool save(const std::string& path);
    bool save() { return save(environmentPath); }
    const std::string& saveError() const { return d_saveError; }

private:
    struct DefaultsTag {};
    explicit Environment(DefaultsTag) {}
    // The member initialisers above are the defaults of the file's keys.
    static const Environment& defaults();

    std::string d_saveError;
};
