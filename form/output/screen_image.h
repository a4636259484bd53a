#pragma once
// The screen picture: a fresh, document-style picture of the oscilloscope screen (optional
// title and date above the display area, optional setup, math, reference, cursor and
// measurement rows below it), drawn from the current intensity images, kernel settings and
// Environment options in colour or in black and white; and its outputs: BMP and JPEG files,
// the printer and the clipboard. None of them copies the live window.
//
// GUI thread only. The intensity images are copied under the pause handshake with the worker;
// everything else is read as it stands.

#include "environment.h"
#include "rgb_picture.h"
#include "screen_layout.h"

#include <QImage>
#include <QPoint>

#include <array>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QPrinter;

// What the main window gives the picture. Trace arrays are indexed by trace - 1: channel 1,
// channel 2, math, reference.
struct ScreenImageSource {
    // Display and picture options; check_printer writes its printerCaps. Required.
    Environment* environment = nullptr;
    // Where the cycle keeps each trace's intensity image (p_displayBufferCh1, ...), read under
    // the pause only: a cycle or a state load may replace the image. The image is displayWidth
    // x displayHeight bytes, row-major, row 0 at the bottom, levels 0..127. A null slot or
    // image: nothing to draw.
    std::array<const unsigned char* const*, 4> displayBufferSlot{};
    ScreenTexts texts;
    // Measure source of the main window's radio buttons: 1 rbMeasureCh1 (green cursors),
    // 2 rbMeasureCh2 (yellow), 3 rbMeasureMath (red); anything else draws white cursors.
    int measureSource = 1;
    // Ground-level marker images beside the display (bmp_c_ch1 .. bmp_c_ref in colour,
    // bmp_ch1 .. bmp_r in black and white) and the trigger-position images (iTriggerHorPos,
    // i_g_TriggerPoint). A null image is replaced by a built-in one.
    std::array<QImage, 4> markerColour;
    std::array<QImage, 4> markerBlackWhite;
    QImage triggerPositionColour;
    QImage triggerPositionBlackWhite;
    // Replaceable for tests; empty: the kernel facade and the local time of the system.
    std::function<ScreenKernelValues()> kernelValues;
    std::function<std::tm()> localTime;
};

// The kernel's values for the picture, read through the facade (a kernel must exist).
ScreenKernelValues readScreenKernelValues();

// What one picture is drawn from: the kernel's values and copies of the intensity images of
// the traces that are on, taken together under the pause handshake.
struct ScreenSnapshot {
    ScreenKernelValues kernel;
    std::array<std::vector<unsigned char>, 4> images; // empty: trace off or no image
    bool taken = false; // false: the worker did not finish its capture in time; nothing copied
};
ScreenSnapshot capture_screen_snapshot(const ScreenImageSource& source);

// Sizes `bitmap` for the picture with its bands (561 x 441 and more), white (Format_RGB32),
// and returns the display area's origin.
QPoint prepare_screen_bitmap(QImage& bitmap, const ScreenImageSource& source, const ScreenSnapshot& snapshot,
                             int x0 = PICTURE_ORIGIN_X, int y0 = PICTURE_ORIGIN_Y);

// Draws the whole picture onto a bitmap made by prepare_screen_bitmap. Always true.
bool render_screen(QImage& canvas, const ScreenImageSource& source, const ScreenSnapshot& snapshot, QPoint origin);

// One trace's intensity image (levels above 127 painted as 127) in the scheme's colours.
void draw_trace_raster(int trace, QImage& canvas, const ScreenImageSource& source, const ScreenSnapshot& snapshot,
                       QPoint origin);

// The user text labels at (x0 + label x, y0 + label y) in the scheme's colours.
void draw_screen_labels(QImage& canvas, const Environment& environment, QPoint origin);

// A new picture of the screen in full colour (Format_RGB32): snapshot, bands, drawing. A null
// image when no snapshot could be taken (the user was told).
QImage compose_screen_picture(const ScreenImageSource& source);

// The picture as the printer and the preview take it: in black and white mode reduced to
// two colours (Format_Mono), else as composed.
QImage compose_print_picture(const ScreenImageSource& source);

// Outputs. Each makes its own picture and keeps nothing. A failure shows its message box
// and returns false; nothing is left half-written (files go through a temporary and a
// rename, an existing file stays as it was).
bool save_screen_bmp(const std::string& path,
                     const ScreenImageSource& source); // 8 bits, 1 in black and white
bool save_screen_jpeg(const std::string& path, const ScreenImageSource& source);
bool copy_screen_to_clipboard(const ScreenImageSource& source); // the 8-bit picture
bool print_screen(const ScreenImageSource& source);             // false when cancelled

// Whether a printer exists; with one, its resolution and page size (device pixels) are
// stored in environment.printerCaps.
bool check_printer(Environment& environment);

// The name of a print job (the spooler's job name, a PDF's title, the file name a PDF printer
// makes): "Velmora2", and " - " and the title when the picture shows one.
std::string printDocumentName(const Environment* environment);

// Runs the print dialog and prints `picture` centred on the page, one picture pixel per
// 0.01 inch, as the document `documentName`. False when the dialog is cancelled or the
// printer fails (with a message).
bool print_picture(const QImage& picture, const std::string& documentName = "Velmora2");

// ---- Pictures of other windows (the spectrum window's 600 x 700 export uses them) ----

// A QImage's pixels as 0x00RRGGBB; alpha is dropped.
RgbPicture toRgbPicture(const QImage& image);
// The 256-colour form of a picture (exact when it has no more colours) as Format_Indexed8.
QImage toIndexed8(const QImage& image);
// `image` as a BMP file of 1, 8 or 24 bits per pixel, or as a JPEG file; false with the
// reason in `error` when the file cannot be written (the old file is then intact).
bool savePictureBmp(const QImage& image, const std::string& path, int bitsPerPixel, std::string* error = nullptr);
bool savePictureJpeg(const QImage& image, const std::string& path, std::string* error = nullptr);
// The message shown for a picture file that cannot be written.
std::string pictureFileErrorText(const std::string& path, const std::string& reason);

// ---- Replaceable platform dialogs (tests answer them) ----

// Lets the user choose and set up the printer; false for Cancel. Default: the print dialog.
using PrintDialogFunction = std::function<bool(QPrinter& printer)>;
void setPrintDialogFunction(PrintDialogFunction function); // empty restores the default

// The printer the preview and check_printer look at: its figures, or nothing when there is
// no printer. Default: the system's default printer, else its first one.
using PrinterProbeFunction = std::function<std::optional<PrinterCaps>()>;
void setPrinterProbeFunction(PrinterProbeFunction function); // empty restores the default
