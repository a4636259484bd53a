#include "data_export.h"

#include "acquisition_thread.h"
#include "codes.h"
#include "control_facade.h"
#include "desktop_opener.h"
#include "ini_file.h"
#include "message_box.h"
#include "spreadsheet_automation.h"
#include "waveform_data.h"

#include <QBuffer>
#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLocale>
#include <QStandardPaths>

#include <memory>

namespace {

OfficeDesk& installedDesk() {
    static OfficeDesk desk;
    return desk;
}

// The countries whose paper is US Letter.
bool usesLetterPaper(QLocale::Territory territory) {
    switch (territory) {
    case QLocale::UnitedStates:
    case QLocale::Canada:
    case QLocale::Mexico:
    case QLocale::Chile:
    case QLocale::Colombia:
    case QLocale::Venezuela:
    case QLocale::Philippines:
    case QLocale::PuertoRico: return true;
    default: return false;
    }
}

OfficeDesk defaultDesk() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty()) folder = QDir::homePath();
    OfficeDesk desk{folder.toStdString(), [](const std::string& path) {
                        // Without a viewer the file would seem lost: the user learns where it is.
                        openWithDesktop(
                            path, [path] { showMessage("No program could open the file. It is saved as " + path); });
                    }};
    desk.letterPaper = usesLetterPaper(QLocale::system().territory());
    return desk;
}

// A failing automation call ends the exporter, and the user sees the call's error text.
bool reportingAutomationErrors(const std::function<void()>& work) {
    try {
        work();
        return true;
    } catch (const AutomationError& e) {
        showMessage(e.what());
        return false;
    }
}

const short* recordIn(short* const* slot) { return slot ? *slot : nullptr; }

// The channel's record when the channel is on and has one; null otherwise.
const short* exportedRecord(int ch, const RawRecordSlots& records) {
    if (!controlGetChannelOnOff(ch)) return nullptr;
    return recordIn(ch == _CH1 ? records.ch1 : records.ch2);
}

RawToVolts voltsOf(int ch) {
    return [ch](short code) { return controlRawToVoltage(ch, code); };
}

// Column A (channel 1) or B (channel 2): the heading, the 500 points from row 5 and a series
// over rows 5..504 in the chart workbook.
void writeChannelColumn(SpreadsheetApplication& excel, int ch, const short* record, const std::string& timeDivText) {
    const std::string column = ch == _CH1 ? "A" : "B";
    Worksheet& sheet = excel.workbook(1).worksheet(1);
    sheet.range(column + "1").setValue(std::string(ch == _CH1 ? "CHANNEL 1" : "CHANNEL 2"));
    sheet.range(column + "2").setValue(timeDivText + "/Div (total : 10 divisions)");
    sheet.range(column + "3").setValue(std::string("Data Size : 500"));
    const auto points = spreadsheetPoints(record, controlGetBufferSize(), voltsOf(ch));
    for (size_t k = 0; k < points.size(); ++k)
        if (points[k]) sheet.range(column + std::to_string(k + 5)).setValue(*points[k]);
    Chart& chart = excel.workbook(2).chart(1);
    chart.setName("OstraChart");
    chart.setChartType(Chart::xlLine);
    chart.addSeries(sheet.range(column + "5:" + column + "504"));
}

} // namespace

void setOfficeDesk(OfficeDesk desk) { installedDesk() = std::move(desk); }

OfficeDesk officeDesk() { return installedDesk().folder.empty() ? defaultDesk() : installedDesk(); }

std::optional<Picture> clipboardPicture() {
    const QImage image = QGuiApplication::clipboard()->image();
    if (image.isNull()) return std::nullopt;
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) return std::nullopt;
    return Picture{bytes.toStdString(), image.width(), image.height()};
}

bool save_waveform_text(const std::string& fileName, const RawRecordSlots& records) {
    if (fileName.empty()) return false;
    std::string text;
    // Nothing is written when the worker did not finish its capture in time (the user was told).
    const bool read = pauseStandard(processGuiEventsExceptInput, [&] {
        WaveformFileSettings s;
        s.bufferSize = controlGetBufferSize();
        s.acquireLength = controlGetAcquireLength();
        s.timeDiv = controlGetTimeDiv();
        s.risDots = controlIsRIS() && controlGetLineJoinMode() == 0;
        s.bothChannels = controlGetChannelsOnOff() == _CH1_ON_CH2_ON;
        s.points500k = controlGetBufferSizeMode() == _500K;
        text = waveformDataText(s, {exportedRecord(_CH1, records), voltsOf(_CH1)},
                                {exportedRecord(_CH2, records), voltsOf(_CH2)});
    });
    if (!read) return false;
    return writeFileOrTell(fileName, text);
}

bool export_waveform_excel(const RawRecordSlots& records, const std::string& timeDivText) {
    std::unique_ptr<SpreadsheetApplication> excel;
    try {
        excel = std::make_unique<SpreadsheetApplication>(officeDesk());
    } catch (const AutomationError&) {
        showMessage("Error: Check if MS-Excel is installed");
        return false;
    }
    return reportingAutomationErrors([&] {
        excel->setVisible(true);
        excel->addWorkbook();
        excel->workbook(1).worksheet(1).setName("Ostra");
        excel->addWorkbook(SpreadsheetApplication::xlWBATChart);
        pauseStandard(processGuiEventsExceptInput, [&] {
            for (int ch : {_CH1, _CH2})
                if (const short* record = exportedRecord(ch, records))
                    writeChannelColumn(*excel, ch, record, timeDivText);
        });
        excel->release();
    });
}

bool export_display_to_word(const std::function<void()>& copyScreenToClipboard) {
    std::unique_ptr<DocumentApplication> word;
    try {
        word = std::make_unique<DocumentApplication>(officeDesk(), clipboardPicture);
    } catch (const AutomationError&) {
        showMessage("Error: Check if MS-WORD is installed");
        return false;
    }
    if (copyScreenToClipboard) copyScreenToClipboard();
    return reportingAutomationErrors([&] {
        word->setVisible(true);
        word->addDocument();
        word->activeDocument().addParagraph().paste();
        word->release();
    });
}

bool export_fft_to_excel(const SpectrumExportRecord& spectrum) {
    return reportingAutomationErrors([&] {
        SpreadsheetApplication excel(officeDesk());
        excel.setVisible(true);
        excel.addWorkbook();
        Worksheet& sheet = excel.workbook(1).worksheet(1);
        sheet.setName("Ostra");
        const int bins = spectrum.N / 2;
        pauseStandard(processGuiEventsExceptInput, [&] {
            const float* values = spectrum.linear ? spectrum.lin : spectrum.dB;
            for (int i = 0; values && i < bins; ++i)
                sheet.range(std::string("A").append(std::to_string(i + 1))).setValue(values[i]);
        });
        // Every bin written above, the last one included.
        const Range range = sheet.range(std::string("A1:A").append(std::to_string(bins)));
        excel.addWorkbook(SpreadsheetApplication::xlWBATChart);
        Chart& chart = excel.workbook(2).chart(1);
        chart.setName("OstraChart");
        chart.setChartType(Chart::xlLine);
        chart.addSeries(range);
        excel.release();
    });
}
