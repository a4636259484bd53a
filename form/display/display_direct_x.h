#pragma once
// The fast renderer (graphic modes 0 "DirectX" and 1 "DirectX-system graphic"): draws into
// a background surface in the screen's own pixel format (software_surface.h), writing grid
// and trace pixels straight into its memory, and presents it by a blit into the primary
// surface, the picture a paint box shows.
//
// Surfaces, all in the format init() chooses from the screen:
//  - background: imageWidth x imageHeight, what every operation draws into;
//  - grid: the same size; nothing draws on or presents it;
//  - pixel: 1 x 1, filled with a colour and block-copied to draw lines and glyphs;
//  - primary: what is shown, with a clipper on its whole area (the paint box).
//
// Colours passed in are in the surface's packed form (the colour table's screen bank, or
// packRgb); label and information texts keep their GDI colours (0x00BBGGRR). Geometry is
// that of DisplayGDI except: the centre cross's axes are dotted, and lines sit on the given
// row or column itself.
//
// One thread at a time: the acquisition cycle draws and presents (on the worker, or on the
// GUI thread while the worker is stopped); no lock is taken.

#include "display.h"
#include "software_surface.h"

#include <QImage>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

struct ToolLine;

class DisplayDirectX : public Display {
public:
    // `screen`: the mode of the screen the picture is shown on (screenModeOf of the main
    // window's screen; ScreenMode::of(format) to choose a format).
    explicit DisplayDirectX(ScreenMode screen = ScreenMode{});
    ~DisplayDirectX() override;

    // Besides the base's contract: chooses the surface format from the screen. A screen of
    // fewer than 16 bits per pixel shows "This program is not supported in 16 or 256 color
    // mode." and ends the program with exit code 0.
    void init(int x_, int y_) override;
    void release() override;
    void drawGrid(bool gridOn, bool crossOn, bool boundaryOn, int colour) override;
    void drawChannel(int type, const unsigned char* image) override;
    void drawLabels() override;
    // The source's own colour at full intensity (TableColor::get(source, 127)).
    void drawCursors(int source) override;
    void drawHorizontalLine(int colour, int row, int solid) override;
    void drawVerticalLine(int colour, int column, int solid) override;
    void spare() override {}
    void clear() override;
    // The three markers first, then the texts.
    void drawInfoText() override;
    void drawChannelMarkers() override;
    void drawTriggerLevelMarker() override;
    void drawTriggerPositionMarker() override;

    // The format chosen by init (the main window keeps it as d_surfaceFormat and builds the
    // colour table for it); the screen's guess before init.
    SurfaceFormat surfaceFormat() const { return d_format; }

    // Presentation of this renderer's picture: the background blitted into the primary
    // (same size). Returns a view of the primary (no copy; QImage format per qImageFormat)
    // valid until the next presentation or release. Null before init.
    QImage present();
    // Presentation of another renderer's presented picture (the full-screen window): `frame`
    // stretched over width x height of the primary, which takes that size. Null when the frame
    // is null or not in this renderer's format, or before init.
    QImage present(const QImage& frame, int width, int height);
    // The primary as last presented; null before init.
    QImage primaryImage() const;

    // The surfaces (read-back); null before init and after release. The background with a
    // pending clear finished.
    const SoftwareSurface* background() const;
    const SoftwareSurface* grid() const { return p_grid.get(); }
    const SoftwareSurface* primary() const { return p_primary.get(); }

    // Packed colours of the markers for a format: channel 1, channel 2, math, reference,
    // trigger position.
    static std::array<std::uint32_t, 5> markerColours(SurfaceFormat format);

private:
    enum Marker { CH1_MARKER, CH2_MARKER, MATH_MARKER, REF_MARKER, POSITION_MARKER };

    // Helpers of the operations.
    void horizontalLine(std::uint32_t colour, int row, bool solid);
    void verticalLine(std::uint32_t colour, int column, bool solid);
    void toolLine(std::uint32_t colour, const ToolLine& line);
    void glyph(const GlyphPlacement& placement, std::uint32_t colour);
    // Fills the pixel surface; then plot() copies it to the background (off-surface pixels
    // are dropped).
    void setPixelColour(std::uint32_t colour);
    void plot(int x, int y);
    void makePrimary(int width, int height);
    // The clear's rows: filled black when first drawn into, the rest before anything but the
    // traces and the grid is drawn or the picture is read; a row that holds the grid alone is
    // left as it is when the grid drawn next is the same.
    void fillRow(const SurfaceLock& lock, int y) const;
    void finishClear() const;
    // Before a drawing other than a trace or the grid.
    void drawOver();

    // Row flags: awaiting the clear's fill; drawn into since its last fill; holding black and
    // the grid of d_gridKey alone.
    enum : unsigned char { ROW_PENDING = 1, ROW_DRAWN = 2, ROW_GRID = 4 };
    struct GridKey {
        bool gridOn = false;
        bool crossOn = false;
        bool boundaryOn = false;
        std::uint32_t colour = 0;
        bool operator==(const GridKey&) const = default;
    };

    ScreenMode d_screen;
    SurfaceFormat d_format = _SURFACE_32BIT;
    std::unique_ptr<SoftwareSurface> p_primary;
    std::unique_ptr<SoftwareSurface> p_background;
    std::unique_ptr<SoftwareSurface> p_grid;
    std::unique_ptr<SoftwareSurface> p_pixel;
    // The view primaryImage() hands out, made with the primary (no image header per frame).
    QImage d_primaryView;
    // A pending clear is finished by reading the background too.
    mutable std::vector<unsigned char> d_rows; // ROW_ flags of the background's rows
    mutable bool d_clearPending = false;
    std::vector<unsigned char> d_blackRow; // one background row of black pixels
    std::optional<GridKey> d_gridKey;
    std::array<std::uint32_t, 5> d_markerColours{};
};
