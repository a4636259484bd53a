#include "form_fft_dlg.h"

#include "dialog_answers.h"
#include "drawn_text.h"
#include "fake_tool_window_kernel.h"
#include "qt_observers.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <QToolButton>

#include <cmath>
#include <numbers>
#include <thread>
#include <vector>

namespace {

// Ten periods of a sine of `volts` amplitude over the 10000-sample span (1 mV per code).
std::vector<short> sineRecord(double volts) {
    std::vector<short> record(10000);
    for (std::size_t j = 0; j < record.size(); ++j)
        record[j] = short(std::lround(volts * 1000 * std::sin(2 * std::numbers::pi * double(j) / 1000)));
    return record;
}

QRgb rgbOf(int bgr) { return qRgb(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF); }

class FormFftDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        kernel.on[2] = false; // channel 1 alone: a span of 10000 samples
        form = std::make_unique<TFormFFTDlg>(kernel);
    }

    template <class T>
    T* child(const char* name) {
        return form->findChild<T*>(name);
    }
    QString text(const char* name) { return child<QLabel>(name)->text(); }
    void update(const std::vector<short>& record) { form->UpdateSpectrum(0, int(record.size()), record.data()); }

    FakeToolWindowKernel kernel;
    std::unique_ptr<TFormFFTDlg> form;
    DialogAnswers dialogs;
    std::vector<std::string>& messages = dialogs.messages;
};

TEST_F(FormFftDlgTest, CreationState) {
    EXPECT_EQ(form->windowTitle(), "FFT");
    EXPECT_TRUE(child<QRadioButton>("rbFFTCh1")->isChecked());
    EXPECT_FALSE(child<QRadioButton>("rbFFTCh2")->isEnabled());
    EXPECT_EQ(form->fftChannel(), 0);
    EXPECT_TRUE(child<QRadioButton>("rbFFTRectangular")->isChecked());
    EXPECT_TRUE(child<QRadioButton>("s512")->isChecked());
    EXPECT_EQ(child<QRadioButton>("s8192")->text(), "4096");
    EXPECT_TRUE(child<QRadioButton>("rbFFTdB")->isChecked());
    EXPECT_EQ(child<QLineEdit>("ebVGridScale")->text(), "60.000");
    EXPECT_EQ(child<QLineEdit>("edFFTfreScale")->text(), " x 1");
    EXPECT_EQ(child<QScrollBar>("sc_ver")->value(), -120);
    EXPECT_EQ(child<QScrollBar>("sc_hor")->maximum(), 0);
    EXPECT_EQ(text("la_cursor"), " Cursor off");
    EXPECT_EQ(text("lbVGridUnit"), "dB/Div");

    // Channel 2 alone: its button is chosen. Channels switched later enable the buttons on show.
    kernel.on[1] = false;
    kernel.on[2] = true;
    TFormFFTDlg second(kernel);
    EXPECT_EQ(second.fftChannel(), 1);
    EXPECT_FALSE(second.findChild<QRadioButton*>("rbFFTCh1")->isEnabled());
    kernel.on[1] = true;
    second.show();
    EXPECT_TRUE(second.findChild<QRadioButton*>("rbFFTCh1")->isEnabled());
    EXPECT_EQ(second.fftChannel(), 1); // showing does not change the choice
    EXPECT_TRUE(second.visibleToCycle());
}

TEST_F(FormFftDlgTest, WorkerUpdateReachesTheWindowOnceThroughTheEventLoop) {
    const auto record = sineRecord(1.0);
    MetaCallCounter counter;
    form->installEventFilter(&counter);
    const QImage before = form->plotImage();

    const QtMessages qtMessages;
    // The cycle's side, through its interface.
    SpectrumView& view = *form;
    ASSERT_EQ(view.fftChannel(), 0);
    std::thread worker([&] {
        for (int i = 0; i < 3; ++i) view.updateSpectrum(0, int(record.size()), record.data());
    });
    worker.join();
    EXPECT_EQ(qtMessages.texts(), std::vector<std::string>{}); // no complaint about widgets off their thread
    EXPECT_EQ(text("la_1st"), "-- --");
    EXPECT_EQ(form->plotImage(), before);
    QCoreApplication::processEvents();
    EXPECT_EQ(counter.count, 1); // three updates, one queued call

    EXPECT_EQ(text("la_1st").left(11), "1.000 kHz  ");
    EXPECT_EQ(text("la0"), "   0 Hz");
    EXPECT_EQ(text("la1"), "5.000 kHz");
    EXPECT_EQ(text("lav0"), "0");
    EXPECT_EQ(text("lav8"), "-480");
    EXPECT_TRUE(text("la_THD").endsWith(" dB"));
    EXPECT_TRUE(text("la_ENOB").endsWith(" bits"));
    // The fundamental's peak (about -3 dB, near the top edge at 60 dB per division) is drawn
    // in blue about x = 20; nothing else reaches the top division.
    const QImage plot = form->plotImage();
    ASSERT_EQ(plot.size(), QSize(501, 401));
    auto blueIn = [&](QRect r) {
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                if (plot.pixel(x, y) == rgbOf(0xFF0000)) return true;
        return false;
    };
    EXPECT_TRUE(blueIn(QRect(17, 0, 7, 10)));
    EXPECT_FALSE(blueIn(QRect(40, 0, 461, 50)));
    EXPECT_EQ(plot.pixel(0, 0), rgbOf(0xC0C0C0));

    const SpectrumRecordCopy copy = form->spectrumRecord();
    EXPECT_EQ(copy.size, 512);
    EXPECT_EQ(copy.lin.size(), 256u);
    EXPECT_NEAR(copy.lin[10], std::sqrt(0.5), 0.02);
    form->removeEventFilter(&counter);
}

TEST_F(FormFftDlgTest, PlotImagePixels) {
    SpectrumFrame frame;
    frame.settings.cursorOn = true;
    frame.settings.cursorX = 120;
    frame.map.set(120, 300);
    frame.map.set(7, 0);
    frame.cursorFound = true;
    frame.cursorY = 99;
    frame.markerShown[0] = true;
    frame.markers[0] = {200, 100};
    const QImage image = TFormFFTDlg::DrawSpectrumImage(frame);
    const QRgb white = qRgb(255, 255, 255), grid = rgbOf(0xC0C0C0);
    EXPECT_EQ(image.pixel(7, 399), rgbOf(0xFF0000)); // row 0 is the bottom line
    EXPECT_EQ(image.pixel(23, 27), white);
    EXPECT_EQ(image.pixel(50, 20), grid);  // a dot of a division line
    EXPECT_EQ(image.pixel(50, 25), white); // between the dots
    EXPECT_EQ(image.pixel(30, 4), grid);   // a tick of the top edge
    EXPECT_EQ(image.pixel(30, 5), white);
    EXPECT_EQ(image.pixel(500, 233), grid); // the frame
    EXPECT_EQ(image.pixel(196, 100), grid); // the marker cross
    EXPECT_EQ(image.pixel(200, 104), grid);
    EXPECT_EQ(image.pixel(195, 100), white);
    EXPECT_EQ(image.pixel(120, 333), rgbOf(0x808080)); // the cursor line
    EXPECT_EQ(image.pixel(116, 99), rgbOf(0x0000FF));  // its cross on the trace
    EXPECT_EQ(image.pixel(120, 95), rgbOf(0x0000FF));
}

TEST_F(FormFftDlgTest, ScaleControls) {
    update(sineRecord(10.0)); // about +17 dB, 7.07 V RMS
    child<QRadioButton>("rbFFTdB")->click();
    EXPECT_EQ(child<QLineEdit>("ebVGridScale")->text(), "15");
    EXPECT_EQ(text("la_unit"), "[dB]");
    EXPECT_EQ(child<QScrollBar>("sc_ver")->value(), -141); // top edge 5 dB above the fundamental
    EXPECT_EQ(form->settings().offset, 21);
    EXPECT_EQ(child<QScrollBar>("sc_ver")->pageStep(), 15);

    child<QRadioButton>("rbFFTLinear")->click();
    EXPECT_NEAR(form->settings().scale, 7.07 * 0.25, 0.02);
    EXPECT_EQ(child<QLineEdit>("ebVGridScale")->text(), " 1.768");
    EXPECT_EQ(text("lbVGridUnit"), "V/Div");
    EXPECT_EQ(text("la_unit"), "[Volt]");
    EXPECT_EQ(child<QScrollBar>("sc_ver")->value(), 0);

    child<QRadioButton>("rbFFTdB")->click();
    QLineEdit* edit = child<QLineEdit>("ebVGridScale");
    edit->setText("abc");
    edit->returnPressed();
    EXPECT_EQ(messages, std::vector<std::string>{"Wrong number, Try again"});
    EXPECT_EQ(form->settings().scale, 15.0);
    edit->setText("7");
    edit->returnPressed();
    EXPECT_EQ(form->settings().scale, 7.0);
    child<QToolButton>("udFFTOutGridUp")->click();
    EXPECT_EQ(edit->text(), " 5.000");
    child<QToolButton>("udFFTOutGridDown")->click();
    EXPECT_EQ(edit->text(), "10.000");

    child<QScrollBar>("sc_ver")->setValue(-150);
    EXPECT_EQ(form->settings().offset, 30);

    child<QToolButton>("udFFTFreqScaleUp")->click();
    EXPECT_EQ(child<QLineEdit>("edFFTfreScale")->text(), " x 2");
    EXPECT_EQ(child<QScrollBar>("sc_hor")->maximum(), 500);
    EXPECT_EQ(child<QScrollBar>("sc_hor")->value(), 250);
    child<QScrollBar>("sc_hor")->setValue(100);
    EXPECT_EQ(form->settings().scroll, 100);

    child<QRadioButton>("s2048")->click();
    child<QRadioButton>("rbFFTHanning")->click();
    EXPECT_EQ(form->settings().size(), 2048);
    EXPECT_EQ(form->settings().window, 1);
}

TEST_F(FormFftDlgTest, CursorFollowsTheMouse) {
    child<QToolButton>("bn_cursor")->click();
    EXPECT_TRUE(form->settings().cursorOn);
    EXPECT_TRUE(child<QToolButton>("bn_cursor")->isChecked());
    form->display_fftMouseMove(30, 30); // no button down: ignored
    EXPECT_EQ(form->settings().cursorX, 0);
    form->display_fftMouseDown(20, 50);
    form->display_fftMouseMove(600, 60); // outside the plot
    form->display_fftMouseUp(21, 70);
    form->display_fftMouseMove(40, 70);
    EXPECT_EQ(form->settings().cursorX, 21);
    EXPECT_EQ(form->settings().cursorY, 70);
    update(sineRecord(1.0));
    EXPECT_EQ(text("la_cursor").left(11), "1.050 kHz  "); // x 21 is bin 10.5
}

TEST_F(FormFftDlgTest, Exports) {
    TempDir dir;
    const auto record = sineRecord(1.0);
    update(record);
    std::string& answer = dialogs.saveAnswer;
    const std::vector<FileDialogRequest>& asked = dialogs.saveRequests;

    answer = dir.file("s.txt");
    child<QToolButton>("saveastext")->click();
    const SpectrumRecordCopy copy = form->spectrumRecord();
    EXPECT_EQ(TempDir::read(answer), spectrumText(copy.lin, copy.dB, false, 1e-3));
    EXPECT_EQ(TempDir::read(answer).substr(0, 62), "      Hz          dB\n===============================\n        0");

    answer = dir.file("s.bmp");
    child<QToolButton>("saveasbmp")->click();
    const QImage bmp(QString::fromStdString(answer));
    ASSERT_EQ(bmp.size(), QSize(600, 700));
    for (const QPoint p : {QPoint(20, 2), QPoint(0, 0), QPoint(250, 250)})
        EXPECT_EQ(bmp.pixel(p + QPoint(60, 40)), form->plotImage().pixel(p)) << p.x() << "," << p.y();

    answer = dir.file("s.jpg");
    child<QToolButton>("saveasjpg")->click();
    EXPECT_EQ(QImage(QString::fromStdString(answer)).size(), QSize(600, 700));
    ASSERT_EQ(asked.size(), 3u);
    EXPECT_EQ(asked[2].defaultExtension, "jpg");

    answer = ""; // cancelled: nothing written
    child<QToolButton>("saveastext")->click();
    answer = dir.file("none/s.txt");
    child<QToolButton>("saveastext")->click();
    EXPECT_EQ(messages, std::vector<std::string>{"File open error: cannot create a temporary file beside " + answer +
                                                 ": No such file or directory"});
    answer = dir.file("none/s.bmp");
    child<QToolButton>("saveasbmp")->click();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1].rfind("Cannot create file \"" + answer + "\".", 0), 0u) << messages[1];

    int exported = 0;
    form->setExcelExporter([&](TFormFFTDlg& window) { exported = int(window.spectrumRecord().lin.size()); });
    child<QToolButton>("saveasexcel")->click();
    EXPECT_EQ(exported, 256);
}

TEST_F(FormFftDlgTest, ExportPictureTexts) {
    SpectrumExportTexts texts;
    texts.levels = {"0", "-60", "-120"};
    texts.harmonics[0] = "1.000 kHz  -3.010 dB";
    QImage plot(501, 401, QImage::Format_RGB32);
    plot.fill(qRgb(1, 2, 3));
    const QImage picture = TFormFFTDlg::ComposeExportBitmap(plot, texts);
    ASSERT_EQ(picture.size(), QSize(600, 700));
    EXPECT_EQ(picture.pixel(60, 40), qRgb(1, 2, 3));
    EXPECT_EQ(picture.pixel(560, 440), qRgb(1, 2, 3));
    EXPECT_EQ(picture.pixel(561, 441), qRgb(255, 255, 255));
    // Text is drawn in black below the plot, at the rows of the table.
    auto inkIn = [&](QRect r) {
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                if (qGray(picture.pixel(x, y)) < 128) return true;
        return false;
    };
    EXPECT_TRUE(inkIn(QRect(80, 480, 60, 14)));   // "Channel : 1"
    EXPECT_TRUE(inkIn(QRect(100, 540, 150, 14))); // "1st : ..."
    EXPECT_FALSE(inkIn(QRect(0, 690, 600, 10)));
}

TEST_F(FormFftDlgTest, CloseRunsTheToggle) {
    int toggles = 0;
    form->setCloseHandler([&] {
        ++toggles;
        form->hide();
    });
    form->show();
    form->close();
    EXPECT_EQ(toggles, 1);
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(form->visibleToCycle());
}

// The level labels of the linear scale are drawn whole, up to the widest a table scale gives;
// a typed scale of zero or below is refused in both scale types.
TEST_F(FormFftDlgTest, LinearLevelLabelsFitAndScalesMustBeAboveZero) {
    const auto record = sineRecord(1.0);
    update(record);
    child<QRadioButton>("rbFFTLinear")->click();
    QLineEdit* edit = child<QLineEdit>("ebVGridScale");
    struct Case {
        const char* scale;
        int position; // sc_ver: divisions scrolled up
        const char* top;
    } cases[] = {{"0.141", 0, "1.128 V"}, {"0.106", 0, " 848 mV"}, {"10", -170, "1780.000 V"}};
    for (const Case& c : cases) {
        edit->setText(c.scale);
        edit->returnPressed();
        child<QScrollBar>("sc_ver")->setValue(c.position);
        update(record);
        QCoreApplication::processEvents();
        ASSERT_EQ(text("lav0"), c.top);
        for (int k = 0; k < 9; ++k) {
            QLabel& label = *child<QLabel>(QString("lav%1").arg(k).toUtf8().constData());
            EXPECT_NEAR(inkWidth(label.grab().toImage()), plainTextInkWidth(label.font(), label.text()), 1)
                << c.scale << " lav" << k << " " << label.text().toStdString();
        }
    }
    EXPECT_TRUE(messages.empty());

    for (const char* type : {"rbFFTLinear", "rbFFTdB"}) {
        child<QRadioButton>(type)->click();
        const double scale = form->settings().scale;
        for (const char* refused : {"0", "-10", "-0.001"}) {
            messages.clear();
            edit->setText(refused);
            edit->returnPressed();
            EXPECT_EQ(messages, std::vector<std::string>{"Wrong number, Try again"}) << type << " " << refused;
            EXPECT_EQ(form->settings().scale, scale) << type << " " << refused;
        }
    }
}

} // namespace
