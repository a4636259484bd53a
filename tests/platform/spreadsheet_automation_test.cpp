#include "spreadsheet_automation.h"

#include "process_locale.h"
#include "temp_dir.h"
#include "xlsx_cells.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

TEST(CellBlock, ParsesAddressesAndRejectsTheRest) {
    struct Case {
        const char* address;
        int firstRow, firstColumn, lastRow, lastColumn;
        const char* absolute;
    };
    const Case good[] = {
        {"A1", 0, 0, 0, 0, "$A$1"},
        {"a5:a504", 4, 0, 503, 0, "$A$5:$A$504"},
        {"$B$5:$B$504", 4, 1, 503, 1, "$B$5:$B$504"},
        {"Z9:AA10", 8, 25, 9, 26, "$Z$9:$AA$10"},
        {"B10:A1", 0, 0, 9, 1, "$A$1:$B$10"},
        {"XFD1048576", 1048575, 16383, 1048575, 16383, "$XFD$1048576"},
    };
    for (const Case& c : good) {
        const CellBlock b = CellBlock::parse(c.address);
        EXPECT_EQ(b.firstRow, c.firstRow) << c.address;
        EXPECT_EQ(b.firstColumn, c.firstColumn) << c.address;
        EXPECT_EQ(b.lastRow, c.lastRow) << c.address;
        EXPECT_EQ(b.lastColumn, c.lastColumn) << c.address;
        EXPECT_EQ(b.absolute(), c.absolute) << c.address;
    }
    for (const char* bad : {"", "1A", "A0", "A", "XFE1", "A1048577", "A1:", ":A1", "A1B", "A1:B2:C3", "ABCD1"})
        EXPECT_THROW(CellBlock::parse(bad), AutomationError) << bad;
}

class SpreadsheetTest : public ::testing::Test {
protected:
    TempDir dir;
    std::vector<std::string> opened;
    OfficeDesk desk() {
        return {dir.file("desk"), [this](const std::string& path) { opened.push_back(path); }};
    }
};

TEST_F(SpreadsheetTest, CellsAndChartSeriesReadBack) {
    // The numbers are the C locale's under a decimal-comma desktop too.
    for (const char* locale : {"C", ProcessLocale::GERMAN}) {
        SCOPED_TRACE(locale);
        const ProcessLocale inLocale(locale);
        SpreadsheetApplication excel(desk());
        excel.addWorkbook();
        Worksheet& sheet = excel.workbook(1).worksheet(1);
        EXPECT_EQ(sheet.name(), "Sheet1");
        sheet.setName("Ostra");
        excel.addWorkbook(SpreadsheetApplication::xlWBATChart);
        sheet.range("A1").setValue(std::string("CHANNEL 1"));
        sheet.range("A5").setValue(1.25);
        sheet.range("A7").setValue(-0.5);
        sheet.range("B5:B6").setValue(3.0); // a value set on a block fills every cell
        Chart& chart = excel.workbook(2).chart(1);
        EXPECT_EQ(chart.name(), "Chart1");
        chart.setName("OstraChart");
        chart.setChartType(Chart::xlLine);
        chart.addSeries(sheet.range("A5:A504"));
        chart.addSeries(sheet.range("B5:B504"));

        const std::string path = dir.file(std::string("out-") + locale + ".xlsx");
        excel.saveAs(path);
        const XlsxContent x = readXlsx(path);
        EXPECT_EQ(x.sheets, (std::vector<std::string>{"Ostra", "OstraChart"}));
        const auto& cells = x.cells.at("Ostra");
        EXPECT_EQ(cells.at("A1"), "CHANNEL 1");
        EXPECT_EQ(cells.at("A5"), "1.25");
        EXPECT_EQ(cells.at("A7"), "-0.5");
        EXPECT_EQ(cells.at("B5"), "3");
        EXPECT_EQ(cells.at("B6"), "3");
        EXPECT_EQ(cells.count("A6"), 0u); // never set: left empty
        ASSERT_EQ(x.charts.size(), 1u);
        EXPECT_TRUE(x.charts[0].line);
        EXPECT_EQ(x.charts[0].series, (std::vector<std::string>{"Ostra!$A$5:$A$504", "Ostra!$B$5:$B$504"}));
        EXPECT_TRUE(opened.empty()); // saveAs shows nothing
    }
}

TEST_F(SpreadsheetTest, SheetsOfSeveralWorkbooksShareOneFile) {
    SpreadsheetApplication excel(desk());
    excel.addWorkbook().worksheet(1).setName("My Data");
    excel.addWorkbook().worksheet(1).setName("my data"); // names compare without case
    excel.addWorkbook(SpreadsheetApplication::xlWBATChart);
    excel.addWorkbook(SpreadsheetApplication::xlWBATChart); // no series: nothing to draw
    excel.addWorkbook().worksheet(1).setName("AB12");       // reads as a cell: quoted in a formula
    excel.workbook(2).worksheet(1).range("C2").setValue(7.0);
    excel.workbook(3).chart(1).addSeries(excel.workbook(2).worksheet(1).range("C1:C3"));
    excel.workbook(3).chart(1).addSeries(excel.workbook(5).worksheet(1).range("A1:A2"));

    excel.saveAs(dir.file("two.xlsx"));
    const XlsxContent x = readXlsx(dir.file("two.xlsx"));
    EXPECT_EQ(x.sheets, (std::vector<std::string>{"My Data", "my data (2)", "AB12", "Chart1"}));
    EXPECT_EQ(x.cells.at("my data (2)").at("C2"), "7");
    ASSERT_EQ(x.charts.size(), 1u);
    EXPECT_EQ(x.charts[0].series, (std::vector<std::string>{"'my data (2)'!$C$1:$C$3", "'AB12'!$A$1:$A$2"}));
}

TEST_F(SpreadsheetTest, ReleaseShowsAVisibleApplicationsWorkWithoutReplacingFiles) {
    for (int round = 1; round <= 2; ++round) {
        SpreadsheetApplication excel(desk());
        excel.setVisible(true);
        excel.addWorkbook().worksheet(1).range("A1").setValue(static_cast<double>(round));
        const std::string path = excel.release();
        EXPECT_EQ(path, dir.file("desk/Book" + std::to_string(round) + ".xlsx"));
        EXPECT_EQ(readXlsx(path).cells.at("Sheet1").at("A1"), std::to_string(round));
        EXPECT_EQ(excel.workbookCount(), 0);
    }
    EXPECT_EQ(opened, (std::vector<std::string>{dir.file("desk/Book1.xlsx"), dir.file("desk/Book2.xlsx")}));

    SpreadsheetApplication hidden(desk());
    hidden.addWorkbook();
    EXPECT_EQ(hidden.release(), "");
    EXPECT_FALSE(std::filesystem::exists(dir.file("desk/Book3.xlsx")));
    // Nothing but the two books is left on the desk (no temporary files).
    EXPECT_EQ(
        std::distance(std::filesystem::directory_iterator(dir.file("desk")), std::filesystem::directory_iterator()), 2);
}

TEST_F(SpreadsheetTest, CallsThatCannotBeCarriedOutThrow) {
    SpreadsheetApplication excel(desk());
    EXPECT_THROW(excel.workbook(1), AutomationError);
    Workbook& book = excel.addWorkbook();
    EXPECT_THROW(book.worksheet(2), AutomationError);
    EXPECT_THROW(book.chart(1), AutomationError);
    EXPECT_THROW(excel.addWorkbook(-4167), AutomationError);
    for (const char* bad : {"", "a:b", "x/y", "[x]", "'quoted'", "this name is far longer than 31 chars"})
        EXPECT_THROW(book.worksheet(1).setName(bad), AutomationError) << bad;
    Chart& chart = excel.addWorkbook(SpreadsheetApplication::xlWBATChart).chart(1);
    EXPECT_THROW(chart.setChartType(5), AutomationError);
    EXPECT_EQ(chart.chartType(), Chart::xlLine);

    // A desk that is a file cannot take files; a save into a missing folder fails and leaves
    // nothing behind.
    dir.write("file", "x");
    EXPECT_THROW(SpreadsheetApplication({dir.file("file"), nullptr}), AutomationError);
    EXPECT_THROW(SpreadsheetApplication({"", nullptr}), AutomationError);
    EXPECT_THROW(excel.saveAs(dir.file("missing/out.xlsx")), AutomationError);
}

TEST_F(SpreadsheetTest, AFailedSaveKeepsTheOldFile) {
    const std::string path = dir.write("old.xlsx", "old");
    SpreadsheetApplication excel(desk());
    excel.addWorkbook();
    // A series over a sheet no workbook of this application holds cannot be written.
    Worksheet stranger("Elsewhere");
    excel.addWorkbook(SpreadsheetApplication::xlWBATChart).chart(1).addSeries(stranger.range("A1:A2"));
    EXPECT_THROW(excel.saveAs(path), AutomationError);
    EXPECT_EQ(TempDir::read(path), "old");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator()), 2);
}

} // namespace
