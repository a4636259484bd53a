#pragma once
// The main window's pictures: the image lists of its actions (an action shows picture n of
// its list), the marker images beside the display and the five mouse cursors of the
// display. Only the indexes and their roles are fixed; the pictures are drawn here.

#include <QColor>
#include <QCursor>
#include <QIcon>
#include <QPixmap>

// Colours of the main window's pictures and texts.
inline const QColor COLOUR_GREEN{0, 255, 0};    // channel 1
inline const QColor COLOUR_YELLOW{255, 255, 0}; // channel 2
inline const QColor COLOUR_RED{255, 0, 0};      // math
inline const QColor COLOUR_CYAN{0, 255, 255};   // reference
inline const QColor COLOUR_GREY{128, 128, 128}; // a trace that is off
inline const QColor COLOUR_ORANGE{255, 128, 0}; // trigger position
inline const QColor COLOUR_WHITE{255, 255, 255};
inline const QColor COLOUR_TEAL{0, 128, 128};
inline const QColor COLOUR_MAGENTA{255, 0, 255};

// Image lists of the actions. Indexes per list:
//  Channel: 0/1 CH1 on/off, 2/3 CH2, 4/5 math, 6/7 reference, 8/9/10 CH1 AC/DC/GND,
//           11/12/13 CH2 AC/DC/GND, 14..17 volt/div of CH1, CH2, math, reference,
//           18 time/div, 19/20 delay on/off, 21 math option, 22/23 invert on/off,
//           24/25 bandwidth limit on/off
//  Trigger: 0 rising, 1 falling, 2 AUTO, 3 NORMAL, 4 source, 5 CH1, 6 CH2, 7/8 high-frequency
//           reject on/off, 9 advanced trigger
//  Acquire: 0/1 ETS off/on, 2 running, 3 stopped, 4 single shot, 5 auto set, 6 average,
//           7/8 peak detection on/off, 9 buffer size
//  Display: 0/1 line join off/on, 2 label, 3 cross cursor, 4 horizontal cursors,
//           5 vertical cursors
//  File:    0 save DAT, 1 preview, 2 print, 3 option
//  Util:    0 FFT
enum class ActionImageList { Channel, Trigger, Acquire, Display, File, Util };

QIcon actionImage(ActionImageList list, int index);

// Pictures of the marker images.
//  HorizontalPosition (ilHorPos): 0 left of the display, 1 inside, 2 right of it.
//  TriggerLevel (ilTriggerPos): 0/1/2 CH1 above/inside/below, 3/4/5 CH2.
//  Offset: 0 CH1, 1 CH2, 2 math, 3 reference.
//  Trigger slope images: 0 rising, 1 falling.
//  BufferBar: 0 CH1 window, 1 CH2 window, 2 left mark, 3 right mark, 4 centre,
//           5 trigger, 6 trigger left of the record, 7 right of it.
enum class MarkerImageList { HorizontalPosition, TriggerLevel, Offset, TriggerSlope, BufferBar };

QPixmap markerPicture(MarkerImageList list, int picture);

// Size of the marker images beside the display: the offset and trigger-level markers are
// 14 x 11 (their row is at Top + 5), the position marker 14 x 14.
constexpr int LEVEL_MARKER_WIDTH = 14;
constexpr int LEVEL_MARKER_HEIGHT = 11;
constexpr int POSITION_MARKER_SIZE = 14;

// The program's own display cursors 1..5: volt/div of CH1, CH2, math, reference; time/div.
QCursor programCursor(int number);
