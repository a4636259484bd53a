#include "data_export.h"

#include "desktop_opener.h"

#include "recorded_messages.h"
#include "simulated_kernel.h"
#include "thread_flags.h"
#include "widget_helpers.h"
#include "xlsx_cells.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sstream>

namespace {

class DataExportTest : public RecordedMessagesTest {
protected:
    void SetUp() override {
        RecordedMessagesTest::SetUp();
        setOfficeDesk({dir.file("desk"), [this](const std::string& path) { opened.push_back(path); }});
    }
    void TearDown() override {
        setOfficeDesk({});
        RecordedMessagesTest::TearDown();
    }

    // A record of the kernel's size: a ramp of codes.
    static std::vector<short> ramp(int offset) {
        std::vector<short> r(static_cast<size_t>(controlGetBufferSize()));
        for (size_t i = 0; i < r.size(); ++i) r[i] = static_cast<short>((offset + i) % 1024);
        return r;
    }

    static std::string voltLine(int ch, short code) {
        char line[64];
        std::snprintf(line, sizeof line, "%21.4f \n", controlRawToVoltage(ch, code));
        return line;
    }

    // The mean voltage of point k of a record, the samples that are not empty.
    static double pointMean(int ch, const std::vector<short>& r, int k) {
        const int n = static_cast<int>(r.size()) / 500;
        double sum = 0;
        int count = 0;
        for (int i = k * n; i < k * n + n; ++i)
            if (r[static_cast<size_t>(i)] != EMPTY_SAMPLE) {
                sum += controlRawToVoltage(ch, r[static_cast<size_t>(i)]);
                ++count;
            }
        return sum / count;
    }

    SimulatedKernel kernel{_HW4, true};
    TempDir dir;
    std::vector<std::string> opened;
    short* rawDataCh1 = nullptr;
    short* rawDataCh2 = nullptr;
    RawRecordSlots records{&rawDataCh1, &rawDataCh2};
};

TEST_F(DataExportTest, TextFileOfChannelOneReadUnderTheHandshake) {
    ASSERT_TRUE(kernel.create()) << get_error_text();
    ASSERT_TRUE(controlSetChannelOnOff(_CH1, true));
    ASSERT_EQ(controlGetTimeDiv(), _10US_DIV);
    std::vector<short> stale = ramp(0);
    std::vector<short> fresh = ramp(7);
    fresh[1] = EMPTY_SAMPLE;
    fresh[2] = FLAGGED_SAMPLE_BASE + 5;
    std::vector<short> ch2 = ramp(3);
    rawDataCh1 = stale.data();
    rawDataCh2 = ch2.data(); // channel 2 is off: not written

    // A cycle is running: the export waits for it, and the cycle leaves a fresh record.
    acquisitionBusyFlag = 1;
    int pausedWhenCycleEnded = -1;
    QTimer::singleShot(0, [&] {
        pausedWhenCycleEnded = pauseRequestFlag;
        rawDataCh1 = fresh.data();
        acquisitionBusyFlag = 0;
    });
    const std::string path = dir.file("wave.dat");
    ASSERT_TRUE(save_waveform_text(path, records));
    EXPECT_EQ(pausedWhenCycleEnded, 1);
    EXPECT_EQ(pauseRequestFlag, 0);

    std::istringstream text(TempDir::read(path));
    std::vector<std::string> lines;
    for (std::string line; std::getline(text, line);) lines.push_back(line + "\n");
    ASSERT_EQ(lines.size(), 4 + fresh.size());
    char size[32];
    std::snprintf(size, sizeof size, "Data Size : %9d\n", controlGetBufferSize());
    EXPECT_EQ(lines[0], size);
    EXPECT_EQ(lines[1], "Time step :      10nS\n");
    EXPECT_EQ(lines[2], "---------------------\n");
    EXPECT_EQ(lines[3], "***** CHANNEL 1 *****\n");
    EXPECT_EQ(lines[4], voltLine(_CH1, 7));
    EXPECT_EQ(lines[5], "                 NULL\n");
    EXPECT_EQ(lines[6], voltLine(_CH1, 5));
    EXPECT_EQ(lines.back(), voltLine(_CH1, fresh.back()));
    EXPECT_TRUE(messages.empty());
}

TEST_F(DataExportTest, TextFileFailuresAndEmptyName) {
    ASSERT_TRUE(kernel.create()) << get_error_text();
    EXPECT_FALSE(save_waveform_text("", records));
    EXPECT_TRUE(messages.empty());
    EXPECT_FALSE(save_waveform_text(dir.file("missing/wave.dat"), records));
    ASSERT_EQ(messages.size(), 1u);
    // The reason the writer knows, not only that it failed.
    EXPECT_EQ(messages[0].rfind("File open error: ", 0), 0u) << messages[0];
    EXPECT_NE(messages[0].find("No such file or directory"), std::string::npos) << messages[0];
    EXPECT_EQ(pauseRequestFlag, 0);

    // A channel that is on but has no record yet is left out rather than read.
    ASSERT_TRUE(controlSetChannelOnOff(_CH1, true));
    ASSERT_TRUE(save_waveform_text(dir.file("none.dat"), records));
    EXPECT_EQ(TempDir::read(dir.file("none.dat")).find("CHANNEL"), std::string::npos);
}

TEST_F(DataExportTest, SpreadsheetOfBothChannels) {
    ASSERT_TRUE(kernel.create()) << get_error_text();
    ASSERT_TRUE(controlSetChannelOnOff(_CH1, true));
    ASSERT_TRUE(controlSetChannelOnOff(_CH2, true));
    std::vector<short> ch1 = ramp(0);
    std::vector<short> ch2 = ramp(500);
    const int n = controlGetBufferSize() / 500;
    for (int i = 3 * n; i < 4 * n; ++i) ch1[static_cast<size_t>(i)] = EMPTY_SAMPLE; // point 3 empty
    ch1[static_cast<size_t>(n)] = EMPTY_SAMPLE;                                     // point 1 one short
    rawDataCh1 = ch1.data();
    rawDataCh2 = ch2.data();

    ASSERT_TRUE(export_waveform_excel(records, "10us")) << (messages.empty() ? "" : messages[0]);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(pauseRequestFlag, 0);
    ASSERT_EQ(opened, (std::vector<std::string>{dir.file("desk/Book1.xlsx")}));
    const XlsxContent x = readXlsx(opened[0]);
    EXPECT_EQ(x.sheets, (std::vector<std::string>{"Ostra", "OstraChart"}));
    const auto& cells = x.cells.at("Ostra");
    EXPECT_EQ(cells.at("A1"), "CHANNEL 1");
    EXPECT_EQ(cells.at("A2"), "10us/Div (total : 10 divisions)");
    EXPECT_EQ(cells.at("A3"), "Data Size : 500");
    EXPECT_EQ(cells.at("B1"), "CHANNEL 2");
    EXPECT_EQ(cells.at("B3"), "Data Size : 500");
    EXPECT_EQ(cells.count("A4"), 0u);
    for (int k : {0, 1, 2, 499}) {
        const std::string a = "A" + std::to_string(k + 5);
        EXPECT_NEAR(std::stod(cells.at(a)), pointMean(_CH1, ch1, k), 1e-12) << a;
        EXPECT_NEAR(std::stod(cells.at("B" + std::to_string(k + 5))), pointMean(_CH2, ch2, k), 1e-12);
    }
    EXPECT_EQ(cells.count("A8"), 0u); // all empty samples: the cell stays empty
    EXPECT_EQ(cells.count("A505"), 0u);
    EXPECT_EQ(cells.size(), 2u * 503 - 1);
    ASSERT_EQ(x.charts.size(), 1u);
    EXPECT_TRUE(x.charts[0].line);
    EXPECT_EQ(x.charts[0].series, (std::vector<std::string>{"Ostra!$A$5:$A$504", "Ostra!$B$5:$B$504"}));
}

TEST_F(DataExportTest, SpreadsheetWithOnlyChannelTwoAndWithout) {
    ASSERT_TRUE(kernel.create()) << get_error_text();
    ASSERT_TRUE(controlSetChannelOnOff(_CH2, true));
    std::vector<short> ch1 = ramp(0);
    std::vector<short> ch2 = ramp(9);
    rawDataCh1 = ch1.data(); // a stale record of the channel that is off
    rawDataCh2 = ch2.data();
    ASSERT_TRUE(export_waveform_excel(records, "1ms"));
    XlsxContent x = readXlsx(opened.at(0));
    for (const auto& [address, value] : x.cells.at("Ostra")) EXPECT_EQ(address[0], 'B') << address;
    EXPECT_EQ(x.cells.at("Ostra").at("B2"), "1ms/Div (total : 10 divisions)");
    EXPECT_EQ(x.charts.at(0).series, (std::vector<std::string>{"Ostra!$B$5:$B$504"}));

    // Neither channel on: the empty worksheet, and no chart.
    ASSERT_TRUE(controlSetChannelOnOff(_CH2, false));
    ASSERT_TRUE(export_waveform_excel(records, "1ms"));
    x = readXlsx(opened.at(1));
    EXPECT_EQ(x.sheets, (std::vector<std::string>{"Ostra"}));
    EXPECT_EQ(x.cells.count("Ostra"), 0u);
}

TEST_F(DataExportTest, SpectrumSpreadsheetCoversEveryBin) {
    std::vector<float> lin(4096), dB(4096);
    for (size_t i = 0; i < lin.size(); ++i) {
        lin[i] = 0.5f * static_cast<float>(i);
        dB[i] = -static_cast<float>(i);
    }
    for (bool linear : {false, true}) {
        opened.clear();
        ASSERT_TRUE(export_fft_to_excel({512, linear, lin.data(), dB.data()}));
        const XlsxContent x = readXlsx(opened.at(0));
        const auto& cells = x.cells.at("Ostra");
        EXPECT_EQ(cells.size(), 256u);
        EXPECT_EQ(cells.at("A2"), linear ? "0.5" : "-1");
        EXPECT_EQ(cells.at("A256"), linear ? "127.5" : "-255");
        EXPECT_EQ(x.charts.at(0).series, (std::vector<std::string>{"Ostra!$A$1:$A$256"}));
    }
    EXPECT_EQ(pauseRequestFlag, 0);
    EXPECT_TRUE(messages.empty());
}

TEST_F(DataExportTest, DocumentHoldsTheScreenPicture) {
    QImage screen(40, 30, QImage::Format_RGB32);
    screen.fill(Qt::black);
    for (int x = 0; x < 40; ++x) screen.setPixel(x, x % 30, qRgb(0, 255, 0));
    int copies = 0;
    ASSERT_TRUE(export_display_to_word([&] {
        ++copies;
        QGuiApplication::clipboard()->setImage(screen);
    })) << (messages.empty() ? "" : messages[0]);
    EXPECT_EQ(copies, 1);
    ASSERT_EQ(opened, (std::vector<std::string>{dir.file("desk/Document1.docx")}));
    const auto entries = zipEntries(opened[0]);
    const std::string& png = entries.at("word/media/image1.png");
    const QImage pasted = QImage::fromData(reinterpret_cast<const uchar*>(png.data()), static_cast<int>(png.size()));
    EXPECT_EQ(pasted.convertToFormat(QImage::Format_RGB32), screen);
    EXPECT_NE(entries.at("word/document.xml").find("r:embed=\"rId1\""), std::string::npos);
}

TEST_F(DataExportTest, ApplicationsThatCannotStartOrFail) {
    dir.write("file", "x");
    setOfficeDesk({dir.file("file"), nullptr});
    int copies = 0;
    EXPECT_FALSE(export_waveform_excel(records, "1ms"));
    EXPECT_FALSE(export_display_to_word([&] { ++copies; }));
    EXPECT_EQ(copies, 0);
    EXPECT_FALSE(export_fft_to_excel({512, false, nullptr, nullptr}));
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[0], "Error: Check if MS-Excel is installed");
    EXPECT_EQ(messages[1], "Error: Check if MS-WORD is installed");
    EXPECT_EQ(messages[2].rfind("Excel.Application: ", 0), 0u) << messages[2];

    // A paste with nothing on the clipboard ends the export with its error; nothing is saved.
    messages.clear();
    setOfficeDesk({dir.file("desk"), [this](const std::string& path) { opened.push_back(path); }});
    EXPECT_FALSE(export_display_to_word([] { QGuiApplication::clipboard()->clear(); }));
    EXPECT_EQ(messages, (std::vector<std::string>{"Range.Paste: the clipboard holds no picture"}));
    EXPECT_TRUE(opened.empty());
    EXPECT_EQ(pauseRequestFlag, 0);
}

// The desktop's opener runs without blocking the window; when it cannot start or ends in
// failure (xdg-open's "no method available", status 3) the user learns where the file is.
TEST_F(DataExportTest, AnOpenerThatFailsTellsWhereTheFileIs) {
    setOfficeDesk({});
    const std::string path = dir.write("Book1.xlsx", "x");
    const std::string told = "No program could open the file. It is saved as " + path;
    struct Case {
        std::vector<std::string> opener;
        bool fails;
    } cases[] = {
        {{"sh", "-c", "exit 3", "opener"}, true},
        {{dir.file("no-such-opener")}, true},
        {{"true"}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.opener[0]);
        messages.clear();
        setDesktopOpener(c.opener);
        officeDesk().open(path);
        waitForOpeners();
        EXPECT_EQ(messages, c.fails ? std::vector<std::string>{told} : std::vector<std::string>{});
    }
    setDesktopOpener({});
}

} // namespace
