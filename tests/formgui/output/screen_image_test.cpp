#include "screen_image.h"

#include "atomic_file.h"
#include "bmp_writer.h"
#include "jpeg_writer.h"
#include "message_box.h"
#include "table_color.h"
#include "temp_dir.h"
#include "thread_flags.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QPrinter>
#include <QTimer>

#include <filesystem>
#include <string>
#include <vector>

#include <sys/stat.h>

namespace {

constexpr int W = 500;
constexpr int H = 400;
const QRgb WHITE = qRgb(255, 255, 255);
const QRgb BLACK = qRgb(0, 0, 0);
const QRgb SILVER = qRgb(0xC0, 0xC0, 0xC0);

QRgb gdiColour(int colour) { return qRgb(colour & 0xFF, (colour >> 8) & 0xFF, colour >> 16); }
QRgb grey(int v) { return qRgb(v, v, v); }

class ScreenImageTest : public ::testing::Test {
protected:
    ScreenImageTest() : env(dir.file("environment.ini")) {
        source.environment = &env;
        source.kernelValues = [this] { return kernel; };
        source.localTime = [] {
            std::tm t{};
            t.tm_mday = 8;
            t.tm_mon = 2;
            t.tm_year = 126;
            t.tm_hour = 9;
            t.tm_min = 5;
            t.tm_sec = 3;
            return t;
        };
        for (int t = 0; t < 4; ++t) {
            images[t].assign(W * H, 0);
            imageSlots[t] = images[t].data();
            source.displayBufferSlot[t] = &imageSlots[t];
        }
        // A plain picture unless a test asks for more.
        env.GridOnOff = env.CrossOnOff = env.BoundaryOnOff = false;
        setMessageBoxHandler([this](const MessageRequest& r) {
            messages.push_back(r.text);
            return MessageResult::Ok;
        });
    }
    ~ScreenImageTest() override {
        setMessageBoxHandler(nullptr);
        setPrintDialogFunction(nullptr);
        setPrinterProbeFunction(nullptr);
    }

    // Image pixel (column, row from the bottom) of a trace.
    void setLevel(int trace, int column, int row, unsigned char level) {
        images[trace - 1][static_cast<std::size_t>(row) * W + column] = level;
    }

    static QImage rgb(const QImage& image) { return image.convertToFormat(QImage::Format_RGB32); }

    // Pixels of a rectangle that are not `background`.
    static int countOther(const QImage& img, int x0, int y0, int x1, int y1, QRgb background) {
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                if (img.pixel(x, y) != background) ++n;
        return n;
    }

    TempDir dir;
    Environment env;
    ScreenKernelValues kernel;
    ScreenImageSource source;
    std::array<std::vector<unsigned char>, 4> images;
    std::array<const unsigned char*, 4> imageSlots{};
    std::vector<std::string> messages;
};

TEST_F(ScreenImageTest, AllOptionsOffGivesTheBasePicture) {
    const QImage p = compose_screen_picture(source);
    ASSERT_EQ(p.width(), 561);
    ASSERT_EQ(p.height(), 441);
    // The display area at (30, 20): black inside a silver frame, white around it.
    EXPECT_EQ(countOther(p, 31, 21, 530, 420, BLACK), 0);
    for (const auto& [x, y] : {std::pair{30, 20}, {530, 20}, {30, 420}, {530, 420}, {30, 200}, {280, 420}})
        EXPECT_EQ(p.pixel(x, y), SILVER) << x << "," << y;
    EXPECT_EQ(countOther(p, 0, 0, 30, 441, WHITE), 0); // no trace, no marker on the left
    EXPECT_EQ(countOther(p, 0, 0, 561, 10, WHITE), 0); // nothing above the trigger marker
    EXPECT_EQ(countOther(p, 531, 0, 561, 441, WHITE), 0);
}

TEST_F(ScreenImageTest, BandsMoveAndStretchTheDisplay) {
    struct Case {
        const char* name;
        bool title, date, setup, math, reference;
        int height, y0;
    };
    const Case cases[] = {
        {"date alone", false, true, false, false, false, 451, 30},
        {"title and date", true, true, false, false, false, 491, 70},
        {"setup, math and reference", false, false, true, true, true, 506, 20},
        {"title and setup", true, false, true, false, false, 526, 70},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        env.TitleOnOff = c.title;
        env.DateInclude = c.date;
        env.SetupInformationInclude = c.setup;
        kernel.channelOn = {false, false, c.math, c.reference};
        const QImage p = compose_screen_picture(source);
        EXPECT_EQ(p.height(), c.height);
        EXPECT_EQ(p.pixel(31, c.y0), SILVER);
        EXPECT_EQ(p.pixel(31, c.y0 + 1), BLACK);
        EXPECT_EQ(p.pixel(31, c.y0 + H - 1), BLACK);
        EXPECT_EQ(p.pixel(31, c.y0 + H), SILVER);
        EXPECT_EQ(p.pixel(31, c.y0 - 1), WHITE);
    }
}

// The picture reads the cycle's image slots when it is taken, not when its source was made: a
// cycle or a state load may have replaced an image since.
TEST_F(ScreenImageTest, ImagesAreReadFromTheirSlotsWhenThePictureIsTaken) {
    kernel.channelOn = {true, false, false, false};
    const QImage before = compose_screen_picture(source);
    std::vector<unsigned char> replaced(W * H, 100);
    imageSlots[0] = replaced.data();
    const QImage after = compose_screen_picture(source);
    EXPECT_EQ(countOther(before, 31, 21, 530, 420, BLACK), 0);
    EXPECT_GT(countOther(after, 31, 21, 530, 420, BLACK), 1000);
    imageSlots[0] = nullptr; // no image yet: nothing drawn
    EXPECT_EQ(countOther(compose_screen_picture(source), 31, 21, 530, 420, BLACK), 0);
}

TEST_F(ScreenImageTest, TracesInTheColoursOfEachScheme) {
    kernel.channelOn = {true, false, false, true};
    setLevel(1, 10, 5, 200); // above 127: painted as 127
    setLevel(1, 20, 5, 50);
    setLevel(4, 30, 399, 127); // the top image row lands just below the frame
    TableColor ramp;
    ramp.build(1, TableColor::GDI_MODE, 0, 53, false);
    ramp.build(4, TableColor::GDI_MODE, 0, 53, false);
    TableColor track;
    track.build(1, TableColor::GDI_MODE, 0, 53, true);

    struct Case {
        const char* name;
        bool colour, inverted, track;
        QRgb level127, level50, reference, background;
    };
    const Case cases[] = {
        {"colour", true, false, false, gdiColour(ramp.getExportColor(1, 127)), gdiColour(ramp.getExportColor(1, 50)),
         gdiColour(ramp.getExportColor(4, 127)), BLACK},
        {"colour track", true, true, true, gdiColour(track.getExportColor(1, 127)),
         gdiColour(track.getExportColor(1, 50)), gdiColour(ramp.getExportColor(4, 127)), WHITE},
        {"black and white", false, false, false, WHITE, WHITE, WHITE, BLACK},
        {"black and white inverted", false, true, false, grey(1), grey(78), grey(1), WHITE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        env.ColorGrayMode = c.colour;
        env.BackgroundInvert = c.inverted;
        env.ColorOnOffCh1 = c.track;
        const QImage p = compose_screen_picture(source);
        EXPECT_EQ(p.pixel(30 + 10, 20 + H - 5), c.level127);
        EXPECT_EQ(p.pixel(30 + 20, 20 + H - 5), c.level50);
        EXPECT_EQ(p.pixel(30 + 30, 20 + 1), c.reference);
        EXPECT_EQ(p.pixel(30 + 15, 20 + H - 5), c.background); // level 0 is never drawn
    }
}

TEST_F(ScreenImageTest, FrameGridAndCursorsByScheme) {
    env.GridOnOff = true;
    env.GridOriginColor = 0x0000FF; // red
    env.selectedObject = 7;
    env.cursorA = {100, 60};
    env.cursorB = {200, 150};
    source.measureSource = 2; // yellow cursors in colour
    struct Case {
        const char* name;
        bool colour, inverted;
        QRgb frame, grid, cursor, background;
    };
    const Case cases[] = {
        {"colour", true, false, SILVER, qRgb(255, 0, 0), qRgb(255, 255, 0), BLACK},
        {"colour inverted", true, true, SILVER, qRgb(255, 0, 0), qRgb(255, 255, 0), WHITE},
        {"black and white", false, false, WHITE, WHITE, WHITE, BLACK},
        {"black and white inverted", false, true, BLACK, BLACK, BLACK, WHITE},
    };
    const int x0 = 30, y0 = 20;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        env.ColorGrayMode = c.colour;
        env.BackgroundInvert = c.inverted;
        const QImage p = compose_screen_picture(source);
        EXPECT_EQ(p.pixel(x0, y0 + 5), c.frame);
        EXPECT_EQ(p.pixel(x0 + 50, y0 + 10), c.grid);
        EXPECT_EQ(p.pixel(x0 + 10, y0 + 50), c.grid);
        EXPECT_EQ(p.pixel(x0 + 3, y0 + 3), c.background);
        // Cursor A solid, exactly on its coordinates.
        EXPECT_EQ(p.pixel(x0 + 3, y0 + 60), c.cursor);
        EXPECT_EQ(p.pixel(x0 + 100, y0 + 3), c.cursor);
        EXPECT_EQ(p.pixel(x0 + 101, y0 + 3), c.background);
        // Cursor B dotted: runs of three.
        EXPECT_EQ(p.pixel(x0 + 1, y0 + 150), c.cursor);
        EXPECT_EQ(p.pixel(x0 + 4, y0 + 150), c.background);
        EXPECT_EQ(p.pixel(x0 + 7, y0 + 150), c.cursor);
        EXPECT_EQ(p.pixel(x0 + 200, y0 + 1), c.cursor);
        EXPECT_EQ(p.pixel(x0 + 200, y0 + 4), c.background);
    }
    env.selectedObject = 6; // the label tool shows no cursor
    env.ColorGrayMode = true;
    env.BackgroundInvert = false;
    EXPECT_EQ(compose_screen_picture(source).pixel(x0 + 3, y0 + 60), BLACK);
}

TEST_F(ScreenImageTest, MarkersBesideAndAboveTheDisplay) {
    const QRgb magenta = qRgb(255, 0, 255);
    const QRgb teal = qRgb(0, 128, 128);
    QImage trigger(3, 3, QImage::Format_RGB32);
    trigger.fill(magenta);
    QImage marker(4, 4, QImage::Format_RGB32);
    marker.fill(teal);
    source.triggerPositionColour = trigger;
    source.markerColour[1] = marker;
    source.markerBlackWhite[1] = marker;
    kernel.channelOn = {false, true, false, false};
    kernel.voltageOffset[1] = 150.6;

    kernel.horizontalPosition = -20;
    QImage p = compose_screen_picture(source);
    EXPECT_EQ(p.pixel(30 - 7, 20 - 10), magenta);
    EXPECT_EQ(p.pixel(30 - 8, 20 - 10), WHITE);
    // Channel 2's marker at x0 - 21, its ground level 7 rows below the image's top.
    const int y = static_cast<int>(400 - 150.6 + 20 - 7);
    EXPECT_EQ(p.pixel(30 - 21, y), teal);
    EXPECT_EQ(p.pixel(30 - 22, y), WHITE);
    EXPECT_EQ(p.pixel(30 - 21, y - 1), WHITE);

    kernel.horizontalPosition = 600;
    p = compose_screen_picture(source);
    EXPECT_EQ(p.pixel(30 + 500 - 7, 20 - 10), magenta);
    EXPECT_EQ(p.pixel(30 + 500 - 8, 20 - 10), WHITE);

    // Black and white: the other images, further left; a missing one is replaced.
    env.ColorGrayMode = false;
    p = compose_screen_picture(source);
    EXPECT_EQ(p.pixel(30 - 26, y), teal);
    EXPECT_GT(countOther(p, 30 + 500 - 7, 10, 30 + 500 + 8, 20, WHITE), 0);
    source.markerBlackWhite[1] = QImage();
    p = compose_screen_picture(source);
    EXPECT_GT(countOther(p, 30 - 26, y, 30 - 1, y + 15, WHITE), 0);
}

TEST_F(ScreenImageTest, TextsLandInTheirBands) {
    env.TitleOnOff = true;
    env.DateInclude = true;
    env.SetupInformationInclude = true;
    env.Title = "Velmora";
    kernel.channelOn = {false, true, false, false};
    source.texts.voltDivText = {"1V", "2V", "", ""};
    source.texts.timeDivText = "1ms";
    const QImage p = compose_screen_picture(source);
    ASSERT_EQ(p.height(), 441 + 50 + 35);
    const int y0 = 70;
    // Title centred near the top, the date right-aligned to the display's right edge.
    EXPECT_GT(countOther(p, 230, 20, 330, 44, WHITE), 0);
    EXPECT_EQ(countOther(p, 0, 20, 200, 44, WHITE), 0);
    EXPECT_GT(countOther(p, 430, 44, 531, y0 - 10, WHITE), 0);
    EXPECT_EQ(countOther(p, 531, 0, 561, p.height(), WHITE), 0);
    // Time labels under the display; channel 2's line; no channel 1 line and no time/div.
    const int bottom = y0 + H;
    EXPECT_GT(countOther(p, 30, bottom + 5, 100, bottom + 18, WHITE), 0);
    EXPECT_EQ(countOther(p, 0, bottom + 25, 561, bottom + 38, WHITE), 0);
    EXPECT_GT(countOther(p, 30, bottom + 40, 150, bottom + 53, WHITE), 0);
}

TEST_F(ScreenImageTest, LabelsInTheirColoursOrTheScheme) {
    LabelListName label;
    label.textColor = 0x0000FF;       // red
    label.backgroundColor = 0xFF0000; // blue
    label.x = 100;
    label.y = 100;
    label.text = "Hi";
    env.labelList.push_back(label);
    struct Case {
        bool colour, inverted;
        QRgb text, background;
    };
    for (const Case& c : {Case{true, false, qRgb(255, 0, 0), qRgb(0, 0, 255)}, Case{false, false, WHITE, BLACK},
                          Case{false, true, BLACK, WHITE}}) {
        env.ColorGrayMode = c.colour;
        env.BackgroundInvert = c.inverted;
        const QImage p = compose_screen_picture(source);
        EXPECT_EQ(p.pixel(130, 120), c.background);
        int text = 0, other = 0;
        for (int y = 120; y < 133; ++y) // inside the text's cell
            for (int x = 130; x < 137; ++x) {
                const QRgb px = p.pixel(x, y);
                if (px == c.text)
                    ++text;
                else if (px != c.background)
                    ++other;
            }
        EXPECT_GT(text, 0);
        EXPECT_EQ(other, 0);
    }
}

TEST_F(ScreenImageTest, ImagesAreCopiedUnderThePauseHandshake) {
    // A cycle is running: the copy waits, pumping events, until the cycle's end is posted.
    acquisitionBusyFlag = 1;
    QTimer::singleShot(0, [] { acquisitionBusyFlag = 0; });
    int pauseSeen = -1, busySeen = -1;
    source.kernelValues = [&] {
        pauseSeen = pauseRequestFlag;
        busySeen = acquisitionBusyFlag;
        return kernel;
    };
    compose_screen_picture(source);
    EXPECT_EQ(pauseSeen, 1);
    EXPECT_EQ(busySeen, 0);
    EXPECT_EQ(pauseRequestFlag, 0);
}

TEST_F(ScreenImageTest, BmpFilesAtEightAndOneBits) {
    env.GridOnOff = true;
    kernel.channelOn = {true, true, false, false};
    for (int c = 0; c < W; c += 3) setLevel(1, c, 200 + c % 50, static_cast<unsigned char>(1 + c % 127));
    const std::string path = dir.file("screen.bmp");

    ASSERT_TRUE(save_screen_bmp(path, source));
    std::string bytes = TempDir::read(path);
    ASSERT_GT(bytes.size(), 54u);
    EXPECT_EQ(bytes.substr(0, 2), "BM");
    EXPECT_EQ(bytes[28], 8);
    EXPECT_EQ(rgb(QImage(QString::fromStdString(path))), compose_screen_picture(source));

    env.ColorGrayMode = false;
    env.BackgroundInvert = true;
    ASSERT_TRUE(save_screen_bmp(path, source));
    bytes = TempDir::read(path);
    EXPECT_EQ(bytes[28], 1);
    const QImage mono = rgb(QImage(QString::fromStdString(path)));
    EXPECT_EQ(mono, rgb(compose_print_picture(source)));
    // The grey traces of the inverted scheme turn black.
    EXPECT_EQ(mono.pixel(30 + 3, 20 + H - 203), BLACK);
    EXPECT_TRUE(messages.empty());
}

TEST_F(ScreenImageTest, JpegFileIsTheEightBitPictureEncoded) {
    kernel.channelOn = {true, false, false, false};
    setLevel(1, 250, 200, 127);
    const std::string path = dir.file("screen.jpg");
    ASSERT_TRUE(save_screen_jpeg(path, source));
    const auto expected = encodeJpeg(toRgbPicture(toIndexed8(compose_screen_picture(source))));
    EXPECT_EQ(TempDir::read(path), std::string(expected.begin(), expected.end()));
}

TEST_F(ScreenImageTest, AFileThatCannotBeWrittenIsReportedAndNotLeftBehind) {
    const std::string bmp = dir.file("missing/screen.bmp");
    EXPECT_FALSE(save_screen_bmp(bmp, source));
    const std::string jpg = dir.file("missing/screen.jpg");
    EXPECT_FALSE(save_screen_jpeg(jpg, source));
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].rfind("Cannot create file \"" + bmp + "\". ", 0), 0u) << messages[0];
    EXPECT_EQ(messages[1].rfind("Cannot create file \"" + jpg + "\". ", 0), 0u) << messages[1];
    EXPECT_FALSE(std::filesystem::exists(dir.file("missing")));
}

TEST_F(ScreenImageTest, ClipboardRoundTrip) {
    kernel.channelOn = {true, false, false, true};
    setLevel(1, 100, 100, 90);
    setLevel(4, 101, 101, 127);
    ASSERT_TRUE(copy_screen_to_clipboard(source));
    const QImage back = QGuiApplication::clipboard()->image();
    EXPECT_EQ(rgb(back), compose_screen_picture(source));
}

TEST_F(ScreenImageTest, PrintsToAPdfFileOrNothingWhenCancelled) {
    const std::string pdf = dir.file("screen.pdf");
    int dialogs = 0;
    env.TitleOnOff = true;
    env.Title = "Bench 3";
    QString job; // the spooler's job name and the PDF's title
    setPrintDialogFunction([&](QPrinter& printer) {
        ++dialogs;
        job = printer.docName();
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(pdf));
        return true;
    });
    ASSERT_TRUE(print_screen(source));
    EXPECT_EQ(job.toStdString(), "Velmora2 - Bench 3");
    const std::string bytes = TempDir::read(pdf);
    EXPECT_GT(bytes.size(), 1000u);
    EXPECT_EQ(bytes.substr(0, 5), "%PDF-");
    // Only the finished file stays in the folder.
    int files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path())) ++files;
    EXPECT_EQ(files, 1);

    setPrintDialogFunction([&](QPrinter&) {
        ++dialogs;
        return false;
    });
    std::filesystem::remove(pdf);
    EXPECT_FALSE(print_screen(source));
    EXPECT_FALSE(std::filesystem::exists(pdf));
    EXPECT_EQ(dialogs, 2);
    EXPECT_TRUE(messages.empty());

    setPrintDialogFunction([&](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(dir.file("missing/screen.pdf")));
        return true;
    });
    EXPECT_FALSE(print_screen(source));
    EXPECT_EQ(messages.size(), 1u);
}

TEST_F(ScreenImageTest, PrintOverAFileKeepsItWholeUntilTheNewOneReplacesIt) {
    const std::string pdf = dir.write("screen.pdf", "old");
    ::chmod(pdf.c_str(), 0640);
    dir.write("screen.pdf.tmpAb12Cd", "left by a killed print"); // a stale temporary of ours
    setPrintDialogFunction([&](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(pdf));
        return true;
    });
    std::string beforeRename;
    setReplaceHook([&](const std::string&, const std::string&) { beforeRename = TempDir::read(pdf); });
    const bool printed = print_screen(source);
    setReplaceHook(nullptr);
    ASSERT_TRUE(printed);
    EXPECT_EQ(beforeRename, "old"); // a kill up to here keeps the old file
    EXPECT_EQ(TempDir::read(pdf).substr(0, 5), "%PDF-");
    struct stat st {};
    ASSERT_EQ(::stat(pdf.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator()), 1);
}

TEST_F(ScreenImageTest, PrinterCheckStoresTheFiguresOfTheFoundPrinter) {
    env.printerCaps = {1, 2, 3, 4};
    setPrinterProbeFunction([] { return std::optional<PrinterCaps>(); });
    EXPECT_FALSE(check_printer(env));
    EXPECT_EQ(env.printerCaps.pageHeight, 4);
    setPrinterProbeFunction([] { return std::optional<PrinterCaps>(PrinterCaps{600, 300, 4961, 7016}); });
    EXPECT_TRUE(check_printer(env));
    EXPECT_EQ(env.printerCaps.horizontalDpi, 600);
    EXPECT_EQ(env.printerCaps.verticalDpi, 300);
    EXPECT_EQ(env.printerCaps.pageWidth, 4961);
    EXPECT_EQ(env.printerCaps.pageHeight, 7016);
}

} // namespace
