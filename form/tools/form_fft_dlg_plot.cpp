// The spectrum window's pictures: the plot image of an update (made on the worker thread, so
// pixels only, no painter) and the export picture with its texts (GUI thread).
#include "form_fft_dlg.h"

#include <QPainter>

namespace {

// Colours as 0x00BBGGRR values, the form the window's colours are given in.
constexpr int kTraceColour = 0xFF0000;
constexpr int kGridColour = 0xC0C0C0;
constexpr int kCursorLineColour = 0x808080;
constexpr int kCursorCrossColour = 0x0000FF;

constexpr int kImageWidth = kFftPlotWidth + 1;
constexpr int kImageHeight = kFftPlotHeight + 1;

QRgb rgb(int colour) { return qRgb(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF); }

void plot(QImage& image, int x, int y, QRgb colour) {
    if (x >= 0 && x < image.width() && y >= 0 && y < image.height())
        reinterpret_cast<QRgb*>(image.scanLine(y))[x] = colour;
}

void DrawGrid(QImage& image) {
    const QRgb grid = rgb(kGridColour);
    // Dotted division lines, a dot every 10 pixels.
    for (int x = 0; x <= kFftPlotWidth; x += 50)
        for (int y = 0; y <= kFftPlotHeight; y += 10) plot(image, x, y, grid);
    for (int y = 0; y <= kFftPlotHeight; y += 50)
        for (int x = 0; x <= kFftPlotWidth; x += 10) plot(image, x, y, grid);
    // Ticks of 5 pixels every 10 pixels on the four edges.
    for (int x = 0; x <= kFftPlotWidth; x += 10)
        for (int i = 0; i < 5; ++i) {
            plot(image, x, i, grid);
            plot(image, x, kFftPlotHeight - i, grid);
        }
    for (int y = 0; y <= kFftPlotHeight; y += 10)
        for (int i = 0; i < 5; ++i) {
            plot(image, i, y, grid);
            plot(image, kFftPlotWidth - i, y, grid);
        }
    // The frame.
    for (int x = 0; x <= kFftPlotWidth; ++x) {
        plot(image, x, 0, grid);
        plot(image, x, kFftPlotHeight, grid);
    }
    for (int y = 0; y <= kFftPlotHeight; ++y) {
        plot(image, 0, y, grid);
        plot(image, kFftPlotWidth, y, grid);
    }
}

// A cross of two strokes of 9 pixels centred on (x, y).
void cross(QImage& image, int x, int y, QRgb colour) {
    for (int i = -4; i <= 4; ++i) {
        plot(image, x + i, y, colour);
        plot(image, x, y + i, colour);
    }
}

void DrawHarmonicMarkers(QImage& image, const SpectrumFrame& frame) {
    for (std::size_t h = 0; h < frame.markers.size(); ++h)
        if (frame.markerShown[h]) cross(image, frame.markers[h].x, frame.markers[h].y, rgb(kGridColour));
}

const char* windowName(unsigned short window) {
    switch (window) {
    case 1: return "Hanning";
    case 2: return "Hamming";
    case 3: return "Blackman";
    default: return "Rectangular";
    }
}

} // namespace

QImage TFormFFTDlg::DrawSpectrumImage(const SpectrumFrame& frame_) {
    QImage image(kImageWidth, kImageHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    const QRgb trace = rgb(kTraceColour);
    for (int row = 0; row < kFftPlotHeight; ++row)
        for (int x = 0; x < kFftPlotWidth; ++x)
            if (frame_.map.isSet(x, row)) plot(image, x, kFftPlotHeight - 1 - row, trace);
    DrawGrid(image);
    DrawHarmonicMarkers(image, frame_);
    const SpectrumSettings& s = frame_.settings;
    if (s.cursorOn) {
        for (int y = 0; y <= kFftPlotHeight; ++y) plot(image, s.cursorX, y, rgb(kCursorLineColour));
        if (frame_.cursorFound) cross(image, s.cursorX, frame_.cursorY, rgb(kCursorCrossColour));
    }
    return image;
}

QImage TFormFFTDlg::ComposeExportBitmap(const QImage& plot_, const SpectrumExportTexts& texts_) {
    QImage picture(600, 700, QImage::Format_RGB32);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    painter.drawImage(QPoint(60, 40), plot_, QRect(0, 0, kImageWidth, kImageHeight));
    painter.setPen(Qt::black);
    const int lineHeight = painter.fontMetrics().height();
    // Text with its top-left corner at (x, y), as the window's canvas writes it.
    auto text = [&](int x, int y, const std::string& s) {
        painter.drawText(QRect(x, y, 600 - x, lineHeight), Qt::AlignLeft | Qt::AlignTop, QString::fromStdString(s));
    };
    text(25, 33, texts_.levels[0]);
    text(25, 233, texts_.levels[1]);
    text(25, 433, texts_.levels[2]);
    text(25, 20, texts_.linear ? "(Volt)" : "(dB)");
    for (int k = 0; k < 6; ++k)
        painter.drawText(QRect(60 + 100 * k - 50, 450, 100, lineHeight), Qt::AlignHCenter | Qt::AlignTop,
                         QString::fromStdString(texts_.frequencies[std::size_t(k)]));
    text(80, 480, texts_.channel == 1 ? "Channel : 2" : "Channel : 1");
    text(250, 480, std::string("Window Type : ") + windowName(texts_.window));
    text(450, 480, "Window Size : " + std::to_string(texts_.size));
    text(80, 500, "Cursor Information : " + texts_.cursor);
    text(80, 520, "Harmonic Information : ");
    const char* odd[3] = {"1st : ", "3rd : ", "5th : "};
    const char* even[3] = {"2nd : ", "4th : ", "6th : "};
    for (int i = 0; i < 3; ++i) {
        text(100, 540 + 20 * i, odd[i] + texts_.harmonics[std::size_t(2 * i)]);
        text(350, 540 + 20 * i, even[i] + texts_.harmonics[std::size_t(2 * i + 1)]);
    }
    text(80, 600, "FFT Measurment Information :");
    text(100, 620, "SNR : " + texts_.snr);
    text(100, 640, "ENOB : " + texts_.enob);
    text(100, 660, "SINAD : " + texts_.sinad);
    text(350, 620, "THD : " + texts_.thd);
    text(350, 640, "SFDR : " + texts_.sfdr);
    text(350, 660, "TotalPower : " + texts_.totalPower);
    return picture;
}
