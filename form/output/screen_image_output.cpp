#include "screen_image.h"

#include "atomic_file.h"
#include "bmp_writer.h"
#include "jpeg_writer.h"
#include "message_box.h"

#include <QApplication>
#include <QClipboard>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

#include <algorithm>
#include <utility>

#include <unistd.h>

// The outputs of the screen picture. Kept apart from the drawing: the application headers
// declare a name of the window system that the renderer's classes use too.

namespace {

PrintDialogFunction& printDialogFunction() {
    static PrintDialogFunction f;
    return f;
}

PrinterProbeFunction& printerProbeFunction() {
    static PrinterProbeFunction f;
    return f;
}

void showFileError(const std::string& path, const std::string& reason) {
    showMessage(pictureFileErrorText(path, reason), "", MessageButtons::Ok, MessageIcon::Error);
}

PrinterCaps capsOf(QPrinter& printer) {
    PrinterCaps caps;
    caps.horizontalDpi = printer.logicalDpiX();
    caps.verticalDpi = printer.logicalDpiY();
    const QRect page = printer.pageLayout().fullRectPixels(printer.resolution());
    caps.pageWidth = page.width();
    caps.pageHeight = page.height();
    return caps;
}

std::optional<PrinterCaps> systemPrinter() {
    QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull()) {
        const QList<QPrinterInfo> all = QPrinterInfo::availablePrinters();
        if (all.isEmpty()) return std::nullopt;
        info = all.front();
    }
    QPrinter printer(info, QPrinter::HighResolution);
    return capsOf(printer);
}

bool systemPrintDialog(QPrinter& printer) {
    QPrintDialog dialog(&printer, QApplication::activeWindow());
    return dialog.exec() == QDialog::Accepted;
}

} // namespace

bool save_screen_bmp(const std::string& path, const ScreenImageSource& source) {
    const QImage picture = compose_screen_picture(source);
    if (picture.isNull()) return false;
    const QImage eightBit = toIndexed8(picture);
    const int bits = source.environment->ColorGrayMode ? 8 : 1;
    std::string error;
    if (!savePictureBmp(eightBit, path, bits, &error)) {
        showFileError(path, error);
        return false;
    }
    return true;
}

bool save_screen_jpeg(const std::string& path, const ScreenImageSource& source) {
    const QImage picture = compose_screen_picture(source);
    if (picture.isNull()) return false;
    const QImage eightBit = toIndexed8(picture);
    std::string error;
    if (!savePictureJpeg(eightBit, path, &error)) {
        showFileError(path, error);
        return false;
    }
    return true;
}

bool copy_screen_to_clipboard(const ScreenImageSource& source) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard == nullptr) return false;
    const QImage picture = compose_screen_picture(source);
    if (picture.isNull()) return false;
    clipboard->setImage(toIndexed8(picture));
    return true;
}

bool print_screen(const ScreenImageSource& source) {
    return print_picture(compose_print_picture(source), printDocumentName(source.environment));
}

std::string printDocumentName(const Environment* environment) {
    std::string name = "Velmora2";
    if (environment && environment->TitleOnOff && !environment->Title.empty())
        name.append(" - ").append(environment->Title);
    return name;
}

bool check_printer(Environment& environment) {
    const std::optional<PrinterCaps> caps = printerProbeFunction() ? printerProbeFunction()() : systemPrinter();
    if (!caps) return false;
    environment.printerCaps = *caps;
    return true;
}

bool print_picture(const QImage& picture, const std::string& documentName) {
    if (picture.isNull()) return false;
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QString::fromStdString(documentName));
    printer.setFullPage(true); // coordinates from the paper's corner: the picture is centred on the sheet
    const bool accepted = printDialogFunction() ? printDialogFunction()(printer) : systemPrintDialog(printer);
    if (!accepted) return false;

    // A file chosen in the dialog is written under a temporary name and renamed when complete.
    const std::string target =
        printer.outputFileName().isEmpty() ? std::string() : writeTarget(printer.outputFileName().toStdString());
    std::string temporary;
    if (!target.empty()) {
        std::string error;
        const int fd = createTemporary(target, temporary, &error);
        if (fd < 0) {
            showFileError(target, error);
            return false;
        }
        ::close(fd);
        // The temporary's name has no ".pdf": keep the format the dialog chose.
        const QPrinter::OutputFormat format = printer.outputFormat();
        printer.setOutputFileName(QString::fromStdString(temporary));
        printer.setOutputFormat(format);
    }
    auto discard = [&] {
        if (!temporary.empty()) ::unlink(temporary.c_str());
    };

    QPainter painter;
    if (!painter.begin(&printer)) {
        discard();
        showMessage("The picture could not be printed.", "", MessageButtons::Ok, MessageIcon::Error);
        return false;
    }
    const PixelRect r = printTargetRect(picture.width(), picture.height(), capsOf(printer));
    painter.drawImage(QRect(r.left, r.top, r.width(), r.height()), picture);
    if (!painter.end() || printer.printerState() == QPrinter::Error) {
        discard();
        showMessage("The picture could not be printed.", "", MessageButtons::Ok, MessageIcon::Error);
        return false;
    }
    // The rename replaces the old file in one step: it stays whole until the new one is.
    if (!temporary.empty() && !replaceWithTemporary(temporary, target)) {
        showFileError(target, "it cannot be replaced");
        return false;
    }
    return true;
}

RgbPicture toRgbPicture(const QImage& image) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    RgbPicture out(rgb.width(), rgb.height(), 0);
    for (int y = 0; y < rgb.height(); ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x)
            out.pixels[static_cast<std::size_t>(y) * rgb.width() + x] = row[x] & 0xFFFFFF;
    }
    return out;
}

QImage toIndexed8(const QImage& image) {
    const IndexedPicture indexed = reduceToPalette(toRgbPicture(image));
    QImage out(indexed.width, indexed.height, QImage::Format_Indexed8);
    QList<QRgb> table;
    for (std::uint32_t c : indexed.palette) table.push_back(0xFF000000u | c);
    out.setColorTable(table);
    for (int y = 0; y < indexed.height; ++y)
        std::copy_n(indexed.indices.data() + static_cast<std::size_t>(y) * indexed.width, indexed.width,
                    out.scanLine(y));
    return out;
}

bool savePictureBmp(const QImage& image, const std::string& path, int bitsPerPixel, std::string* error) {
    return writeBmpFile(path, toRgbPicture(image), bitsPerPixel, error);
}

bool savePictureJpeg(const QImage& image, const std::string& path, std::string* error) {
    return writeJpegFile(path, toRgbPicture(image), JPEG_DEFAULT_QUALITY, error);
}

std::string pictureFileErrorText(const std::string& path, const std::string& reason) {
    return "Cannot create file \"" + path + "\". " + reason;
}

void setPrintDialogFunction(PrintDialogFunction function) { printDialogFunction() = std::move(function); }

void setPrinterProbeFunction(PrinterProbeFunction function) { printerProbeFunction() = std::move(function); }
