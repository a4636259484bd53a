#pragma once
// The compatible renderer: draws into an off-screen imageWidth x imageHeight QImage
// (Format_RGB32) that the cycle hands to a window. Colours passed in and kept in the colour
// table are GDI values (0x00BBGGRR); they become QImage pixels only here.
//
// Every operation holds the image lock for its whole duration, so image() never returns a
// partly drawn operation. The operations may run on the worker thread; image() may be called
// from any thread.

#include "display.h"

#include <QImage>

#include <mutex>

class DisplayGDI : public Display {
public:
    DisplayGDI() = default;
    ~DisplayGDI() override;

    void init(int x_, int y_) override;
    void release() override;
    void drawGrid(bool gridOn, bool crossOn, bool boundaryOn, int colour) override;
    void drawChannel(int type, const unsigned char* image) override;
    void drawLabels() override;
    // Colours by source: 1 green, 2 yellow, 3 red, 4 cyan, anything else white.
    void drawCursors(int source) override;
    void drawHorizontalLine(int colour, int row, int solid) override;
    void drawVerticalLine(int colour, int column, int solid) override;
    void spare() override {}
    void clear() override;
    void drawInfoText() override;
    void drawChannelMarkers() override;
    void drawTriggerLevelMarker() override;
    void drawTriggerPositionMarker() override;

    // The drawing image as it stands after the last finished operation (a shared copy; the
    // renderer's next write detaches). Null before init and after release.
    QImage image() const;

    // A GDI colour value as a QImage pixel.
    static QRgb toRgb(int gdiColour) {
        return qRgb(gdiColour & 0xFF, (gdiColour >> 8) & 0xFF, (gdiColour >> 16) & 0xFF);
    }

private:
    // Unlocked line drawing, shared by the line operations and the cursors.
    void horizontalLine(QRgb colour, int row, bool solid);
    void verticalLine(QRgb colour, int column, bool solid);

    mutable std::mutex d_imageLock;
    QImage d_image;
};

// drawGrid's frame, dotted grid, border ticks and centre cross for a w x h area whose top-left
// corner is at (x0, y0) of any Format_RGB32 image: the frame in `frame`, the rest in `grid`.
// Clipped to the image. The screen picture draws its grid with it too.
void drawGridPixels(QImage& image, int x0, int y0, int w, int h, bool gridOn, bool crossOn, bool boundaryOn, QRgb frame,
                    QRgb grid);
