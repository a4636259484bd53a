#include "form_preview_dlg.h"

#include "message_box.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QPrinter>
#include <QPushButton>

#include <string>
#include <vector>

namespace {

const QRgb WHITE = qRgb(255, 255, 255);
const QRgb BLACK = qRgb(0, 0, 0);
const PrinterCaps A4_600{600, 600, 4961, 7016};

class PreviewTest : public ::testing::Test {
protected:
    PreviewTest() : env("/nonexistent/environment.ini") {
        source.environment = &env;
        source.kernelValues = [] { return ScreenKernelValues{}; };
        setMessageBoxHandler([this](const MessageRequest& r) {
            messages.push_back(r.text);
            return MessageResult::Ok;
        });
        setPrinterProbeFunction([this] {
            ++probes;
            return caps;
        });
    }
    ~PreviewTest() override {
        setMessageBoxHandler(nullptr);
        setPrinterProbeFunction(nullptr);
        setPrintDialogFunction(nullptr);
    }

    QImage paintPreview(TFormPreviewDlg& dialog) {
        QWidget* box = dialog.findChild<QWidget*>("preview");
        return box->grab().toImage().convertToFormat(QImage::Format_RGB32);
    }
    QPushButton* button(TFormPreviewDlg& dialog, const char* name) { return dialog.findChild<QPushButton*>(name); }

    Environment env;
    ScreenImageSource source;
    std::optional<PrinterCaps> caps = A4_600;
    int probes = 0;
    std::vector<std::string> messages;
};

TEST_F(PreviewTest, WithoutAPrinterThereIsNoPictureAndNoDialog) {
    caps.reset();
    TFormPreviewDlg dialog(nullptr, source);
    EXPECT_EQ(messages, std::vector<std::string>{"Printer is not selected!"});
    EXPECT_FALSE(dialog.hasPicture());
    EXPECT_EQ(dialog.exec(), QDialog::Rejected);
    int dialogs = 0;
    setPrintDialogFunction([&](QPrinter&) { return ++dialogs, true; });
    dialog.OKBtnClick(); // a released picture is never printed
    EXPECT_EQ(dialogs, 0);
    EXPECT_EQ(paintPreview(dialog).pixel(300, 250), WHITE);
}

TEST_F(PreviewTest, LayoutAndCaptions) {
    TFormPreviewDlg dialog(nullptr, source);
    EXPECT_EQ(dialog.windowTitle(), "Preview");
    EXPECT_EQ(dialog.size(), QSize(600, 525));
    EXPECT_EQ(button(dialog, "OKBtn")->text(), "print");
    EXPECT_TRUE(button(dialog, "OKBtn")->isDefault());
    EXPECT_EQ(button(dialog, "CancelBtn")->text(), "close");
    EXPECT_EQ(dialog.findChild<QWidget*>("preview")->geometry(), QRect(0, 25, 600, 500));
    EXPECT_EQ(env.printerCaps.pageHeight, 7016);

    // Switching twice returns to the first view and caption.
    QPushButton* scale = button(dialog, "b_scale");
    EXPECT_EQ(scale->text(), "view paper");
    EXPECT_FALSE(dialog.paperView());
    scale->click();
    EXPECT_EQ(scale->text(), "view wave");
    EXPECT_TRUE(dialog.paperView());
    scale->click();
    EXPECT_EQ(scale->text(), "view paper");
    EXPECT_FALSE(dialog.paperView());
}

TEST_F(PreviewTest, WaveViewShowsThePictureAtNaturalSizeCentred) {
    TFormPreviewDlg dialog(nullptr, source);
    ASSERT_EQ(dialog.picture().size(), QSize(561, 441));
    const QImage shown = paintPreview(dialog);
    // The picture's top-left corner at (20, 30): its display area's frame at (50, 50).
    EXPECT_EQ(shown.pixel(20 + 31, 30 + 21), BLACK);
    EXPECT_EQ(shown.pixel(20 + 30, 30 + 25), qRgb(0xC0, 0xC0, 0xC0));
    EXPECT_EQ(shown.pixel(20 + 31, 30 + 19), WHITE);
    EXPECT_EQ(shown.pixel(0, 0), BLACK); // the outline is the whole box
    EXPECT_EQ(shown.pixel(599, 499), BLACK);
    EXPECT_EQ(shown.pixel(10, 10), WHITE);
}

TEST_F(PreviewTest, PaperViewShowsThePageAndRereadsThePrinter) {
    TFormPreviewDlg dialog(nullptr, source);
    dialog.b_scaleClick();
    const int before = probes;
    QImage shown = paintPreview(dialog);
    EXPECT_EQ(probes, before + 1);
    // A4 portrait: a page outline 500 high and 353 wide, centred.
    EXPECT_EQ(shown.pixel(123, 250), BLACK);
    EXPECT_EQ(shown.pixel(122, 250), WHITE);
    EXPECT_EQ(shown.pixel(475, 250), BLACK);
    EXPECT_EQ(shown.pixel(476, 250), WHITE);
    EXPECT_EQ(shown.pixel(300, 0), BLACK);
    // The display area of the picture, scaled onto the page, near the centre.
    EXPECT_EQ(shown.pixel(300, 250), BLACK);

    // The next repaint sees the printer turned to landscape.
    caps = PrinterCaps{600, 600, 7016, 4961};
    shown = paintPreview(dialog);
    EXPECT_EQ(probes, before + 2);
    EXPECT_EQ(shown.pixel(0, 250), BLACK);
    EXPECT_EQ(shown.pixel(300, 37), BLACK);
    EXPECT_EQ(shown.pixel(300, 36), WHITE);
    EXPECT_TRUE(messages.empty());
}

TEST_F(PreviewTest, UnusableFiguresAreReportedOnceNotAtEveryRepaint) {
    TFormPreviewDlg dialog(nullptr, source);
    dialog.b_scaleClick();
    caps = PrinterCaps{0, 0, 7016, 4961};
    const QImage shown = paintPreview(dialog);
    paintPreview(dialog);
    QCoreApplication::processEvents();
    EXPECT_EQ(messages, std::vector<std::string>{"Printer : set error"});
    EXPECT_EQ(shown.pixel(300, 250), WHITE); // nothing drawn
}

TEST_F(PreviewTest, PrintPrintsThePictureAndCloses) {
    TempDir dir;
    const std::string pdf = dir.file("preview.pdf");
    setPrintDialogFunction([&](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(pdf));
        return true;
    });
    TFormPreviewDlg dialog(nullptr, source);
    button(dialog, "OKBtn")->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(TempDir::read(pdf).substr(0, 5), "%PDF-");
}

} // namespace
