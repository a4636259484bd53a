#pragma once
// Spreadsheet automation in place of the "Excel.Application" server: an application object
// that keeps workbooks in memory, each a list of worksheets (cells) and chart sheets (charts
// over worksheet ranges), and writes them as a real .xlsx file. Its calls are the properties
// and methods the exporters use: Visible, Workbooks.Add, Workbooks.Item, Worksheets.Item,
// Charts.Item, Name, Range(...).Value, ChartType and SeriesCollection.Add. A call that cannot
// be carried out throws AutomationError.
//
// Indexes of Item(...) start at 1, as in the server. Rows and columns of cells() start at 0.
// Not thread-safe; one thread drives one application.

#include "office_automation.h"

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

// An empty cell, a number or a text.
using CellValue = std::variant<std::monostate, double, std::string>;

// A block of cells by its corners, both included, 0-based.
struct CellBlock {
    int firstRow = 0;
    int firstColumn = 0;
    int lastRow = 0;
    int lastColumn = 0;

    // "A1", "a5:a504", "$B$5:$B$504" (columns A..XFD, rows 1..1048576; the corners may come
    // in any order). Throws AutomationError on anything else.
    static CellBlock parse(std::string_view address);
    // "$A$5:$A$504", or "$A$1" for one cell.
    std::string absolute() const;
};

class Worksheet;

// Range("...") of one worksheet. Valid while the application lives.
class Range {
public:
    Range(Worksheet& sheet, CellBlock block) : p_sheet(&sheet), d_block(block) {}
    // Value = number or text: every cell of the block gets it.
    void setValue(double value);
    void setValue(const std::string& text);
    // Value of the block's first cell.
    CellValue value() const;

    Worksheet& worksheet() const { return *p_sheet; }
    const CellBlock& block() const { return d_block; }

private:
    Worksheet* p_sheet;
    CellBlock d_block;
};

class Worksheet {
public:
    explicit Worksheet(std::string name) : d_name(std::move(name)) {}
    const std::string& name() const { return d_name; }
    // 1 to 31 characters, none of : \ / ? * [ ] and not beginning or ending with '.
    void setName(const std::string& name);
    Range range(std::string_view address) { return Range(*this, CellBlock::parse(address)); }

    // Cells that hold a value, by (row, column).
    const std::map<std::pair<int, int>, CellValue>& cells() const { return d_cells; }
    CellValue cell(int row, int column) const;
    void setCell(int row, int column, CellValue value);

private:
    std::string d_name;
    std::map<std::pair<int, int>, CellValue> d_cells;
};

// A chart sheet. Its series are ranges of worksheets, possibly of another workbook.
class Chart {
public:
    static constexpr int xlLine = 4;

    explicit Chart(std::string name) : d_name(std::move(name)) {}
    const std::string& name() const { return d_name; }
    void setName(const std::string& name); // the worksheet rules
    int chartType() const { return d_chartType; }
    // ChartType = xlLine (4); other types throw.
    void setChartType(int type);
    // SeriesCollection.Add(range): one series over the range's values.
    void addSeries(const Range& values);
    const std::vector<Range>& series() const { return d_series; }

private:
    std::string d_name;
    int d_chartType = xlLine;
    std::vector<Range> d_series;
};

class Workbook {
public:
    // Worksheets.Item(index) and Charts.Item(index); a missing index throws.
    Worksheet& worksheet(int index);
    Chart& chart(int index);
    int worksheetCount() const { return static_cast<int>(d_worksheets.size()); }
    int chartCount() const { return static_cast<int>(d_charts.size()); }

    // The sheets a new workbook starts with (the application's Workbooks.Add).
    Worksheet& appendWorksheet(std::string name);
    Chart& appendChart(std::string name);

    const std::vector<std::unique_ptr<Worksheet>>& worksheets() const { return d_worksheets; }
    const std::vector<std::unique_ptr<Chart>>& charts() const { return d_charts; }

private:
    std::vector<std::unique_ptr<Worksheet>> d_worksheets;
    std::vector<std::unique_ptr<Chart>> d_charts;
};

class SpreadsheetApplication {
public:
    // The Workbooks.Add template of a workbook that holds one chart sheet.
    static constexpr int xlWBATChart = -4109;

    // A spreadsheet application that saves its workbooks onto `desk`. Throws
    // AutomationError when the desk's folder cannot take files.
    explicit SpreadsheetApplication(OfficeDesk desk);

    void setVisible(bool visible) { d_visible = visible; }
    bool visible() const { return d_visible; }

    // Workbooks.Add: a workbook with one worksheet "Sheet<n>".
    Workbook& addWorkbook();
    // Workbooks.Add(template): xlWBATChart gives a workbook with one chart sheet "Chart<n>";
    // other templates throw.
    Workbook& addWorkbook(int templateType);
    // Workbooks.Item(index).
    Workbook& workbook(int index);
    int workbookCount() const { return static_cast<int>(d_workbooks.size()); }

    // Writes every workbook into one .xlsx file at `path` (through a temporary file), so that a
    // chart may draw cells of another workbook: the worksheets first, then the chart sheets,
    // each in workbook order. A sheet whose name an earlier one already took gets " (2)",
    // " (3)", ... appended. A chart without a series has nothing to draw and is left out.
    // Throws AutomationError when the file cannot be written.
    void saveAs(const std::string& path) const;

    // The exporter lets go of the application. A visible one then saves its work onto the desk
    // as "Book<n>.xlsx" (the lowest free n, never replacing a file), hands the path to the
    // desk's viewer and returns it; an invisible one, or one without a workbook, drops its work
    // and returns "". Throws AutomationError when the file cannot be written.
    std::string release();

private:
    // saveAs without the temporary file: writes `file` itself.
    void write(const std::string& file) const;

    OfficeDesk d_desk;
    bool d_visible = false;
    int d_sheetsMade = 0;
    int d_chartsMade = 0;
    std::vector<std::unique_ptr<Workbook>> d_workbooks;
};
