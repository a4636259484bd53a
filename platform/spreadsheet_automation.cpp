#include "spreadsheet_automation.h"

#include "c_locale.h"

#include <xlsxwriter.h>

#include <algorithm>
#include <filesystem>
#include <set>

namespace {

constexpr int kMaxRows = 1048576;
constexpr int kMaxColumns = 16384;

// Addresses and sheet names are ASCII whatever the process's locale.
bool isLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// One corner, "A1" or "$A$1"; false on anything else.
bool parseCorner(std::string_view text, int& row, int& column) {
    size_t i = 0;
    if (i < text.size() && text[i] == '$') ++i;
    long col = 0;
    size_t letters = 0;
    while (i < text.size() && isLetter(text[i])) {
        col = col * 26 + (upper(text[i]) - 'A' + 1);
        ++i;
        if (++letters > 3) return false;
    }
    if (letters == 0) return false;
    if (i < text.size() && text[i] == '$') ++i;
    long r = 0;
    size_t digits = 0;
    while (i < text.size() && isDigit(text[i])) {
        r = r * 10 + (text[i] - '0');
        ++i;
        if (++digits > 7) return false;
    }
    if (digits == 0 || i != text.size() || r < 1 || r > kMaxRows || col > kMaxColumns) return false;
    row = static_cast<int>(r - 1);
    column = static_cast<int>(col - 1);
    return true;
}

std::string columnLetters(int column) {
    std::string letters;
    for (int c = column + 1; c > 0; c = (c - 1) / 26)
        letters.insert(letters.begin(), static_cast<char>('A' + (c - 1) % 26));
    return letters;
}

void checkSheetName(const std::string& name) {
    const bool bad = name.empty() || name.size() > 31 || name.front() == '\'' || name.back() == '\'' ||
                     name.find_first_of(":\\/?*[]") != std::string::npos;
    if (bad) throw AutomationError("Name: \"" + name + "\" is not a valid sheet name");
}

// A sheet name in a formula: quoted, with doubled quotes, unless it is plain letters, digits
// and underscores that neither begin with a digit nor read as a cell address.
std::string formulaSheetName(const std::string& name) {
    const auto word = [](char c) { return isLetter(c) || isDigit(c) || c == '_'; };
    int row = 0, column = 0;
    const bool plain =
        std::all_of(name.begin(), name.end(), word) && !isDigit(name.front()) && !parseCorner(name, row, column);
    if (plain) return name;
    std::string quoted = "'";
    for (char c : name) {
        quoted += c;
        if (c == '\'') quoted += '\'';
    }
    return quoted + "'";
}

// The first of name, "name (2)", "name (3)", ... that `taken` does not hold yet.
std::string freeName(const std::string& name, std::set<std::string>& taken) {
    auto folded = [](std::string s) {
        for (char& c : s) c = lower(c);
        return s;
    };
    std::string candidate = name;
    for (int n = 2; taken.count(folded(candidate)) != 0; ++n) {
        const std::string suffix = " (" + std::to_string(n) + ")";
        candidate = name.substr(0, 31 - suffix.size()) + suffix;
    }
    taken.insert(folded(candidate));
    return candidate;
}

void check(lxw_error error, const std::string& what) {
    if (error != LXW_NO_ERROR) throw AutomationError(what + ": " + lxw_strerror(error));
}

} // namespace

CellBlock CellBlock::parse(std::string_view address) {
    CellBlock b;
    const size_t colon = address.find(':');
    const std::string_view first = address.substr(0, colon);
    const std::string_view second = colon == std::string_view::npos ? first : address.substr(colon + 1);
    int r1 = 0, c1 = 0, r2 = 0, c2 = 0;
    if (!parseCorner(first, r1, c1) || !parseCorner(second, r2, c2))
        throw AutomationError("Range: \"" + std::string(address) + "\" is not a cell address");
    b.firstRow = std::min(r1, r2);
    b.lastRow = std::max(r1, r2);
    b.firstColumn = std::min(c1, c2);
    b.lastColumn = std::max(c1, c2);
    return b;
}

std::string CellBlock::absolute() const {
    // Appended piece by piece: GCC 12 takes "$" + a temporary for an overlapping copy (-Wrestrict).
    std::string text = "$";
    text.append(columnLetters(firstColumn)).append("$").append(std::to_string(firstRow + 1));
    if (firstRow == lastRow && firstColumn == lastColumn) return text;
    return text.append(":$").append(columnLetters(lastColumn)).append("$").append(std::to_string(lastRow + 1));
}

void Range::setValue(double value) {
    for (int r = d_block.firstRow; r <= d_block.lastRow; ++r)
        for (int c = d_block.firstColumn; c <= d_block.lastColumn; ++c) p_sheet->setCell(r, c, value);
}

void Range::setValue(const std::string& text) {
    for (int r = d_block.firstRow; r <= d_block.lastRow; ++r)
        for (int c = d_block.firstColumn; c <= d_block.lastColumn; ++c) p_sheet->setCell(r, c, text);
}

CellValue Range::value() const { return p_sheet->cell(d_block.firstRow, d_block.firstColumn); }

void Worksheet::setName(const std::string& name) {
    checkSheetName(name);
    d_name = name;
}

CellValue Worksheet::cell(int row, int column) const {
    const auto it = d_cells.find({row, column});
    return it == d_cells.end() ? CellValue{} : it->second;
}

void Worksheet::setCell(int row, int column, CellValue value) {
    if (std::holds_alternative<std::monostate>(value))
        d_cells.erase({row, column});
    else
        d_cells[{row, column}] = std::move(value);
}

void Chart::setName(const std::string& name) {
    checkSheetName(name);
    d_name = name;
}

void Chart::setChartType(int type) {
    if (type != xlLine) throw AutomationError("ChartType: type " + std::to_string(type) + " is not offered");
    d_chartType = type;
}

void Chart::addSeries(const Range& values) { d_series.push_back(values); }

Worksheet& Workbook::worksheet(int index) {
    if (index < 1 || index > worksheetCount())
        throw AutomationError("Worksheets.Item(" + std::to_string(index) + "): no such worksheet");
    return *d_worksheets[static_cast<size_t>(index - 1)];
}

Chart& Workbook::chart(int index) {
    if (index < 1 || index > chartCount())
        throw AutomationError("Charts.Item(" + std::to_string(index) + "): no such chart");
    return *d_charts[static_cast<size_t>(index - 1)];
}

Worksheet& Workbook::appendWorksheet(std::string name) {
    d_worksheets.push_back(std::make_unique<Worksheet>(std::move(name)));
    return *d_worksheets.back();
}

Chart& Workbook::appendChart(std::string name) {
    d_charts.push_back(std::make_unique<Chart>(std::move(name)));
    return *d_charts.back();
}

SpreadsheetApplication::SpreadsheetApplication(OfficeDesk desk) : d_desk(std::move(desk)) {
    office::prepareDesk(d_desk, "Excel.Application");
}

Workbook& SpreadsheetApplication::addWorkbook() {
    d_workbooks.push_back(std::make_unique<Workbook>());
    d_workbooks.back()->appendWorksheet("Sheet" + std::to_string(++d_sheetsMade));
    return *d_workbooks.back();
}

Workbook& SpreadsheetApplication::addWorkbook(int templateType) {
    if (templateType != xlWBATChart)
        throw AutomationError("Workbooks.Add(" + std::to_string(templateType) + "): no such template");
    d_workbooks.push_back(std::make_unique<Workbook>());
    d_workbooks.back()->appendChart("Chart" + std::to_string(++d_chartsMade));
    return *d_workbooks.back();
}

Workbook& SpreadsheetApplication::workbook(int index) {
    if (index < 1 || index > workbookCount())
        throw AutomationError("Workbooks.Item(" + std::to_string(index) + "): no such workbook");
    return *d_workbooks[static_cast<size_t>(index - 1)];
}

void SpreadsheetApplication::saveAs(const std::string& path) const {
    office::replaceWith(office::writeTemporary(path, [this](const std::string& f) { write(f); }), path);
}

void SpreadsheetApplication::write(const std::string& file) const {
    // libxlsxwriter prints cell numbers with the thread's locale.
    const CNumericScope cNumbers;
    lxw_workbook* book = workbook_new(file.c_str());
    if (!book) throw AutomationError("cannot start the workbook " + file);
    // Names are fixed before the charts, whose series formulas name their worksheets.
    std::set<std::string> taken;
    std::map<const Worksheet*, std::string> sheetNames;
    try {
        for (const auto& wb : d_workbooks) {
            for (const auto& sheet : wb->worksheets()) {
                const std::string name = freeName(sheet->name(), taken);
                sheetNames[sheet.get()] = name;
                lxw_worksheet* ws = workbook_add_worksheet(book, name.c_str());
                if (!ws) throw AutomationError("cannot add the worksheet " + name);
                for (const auto& [at, value] : sheet->cells()) {
                    const auto row = static_cast<lxw_row_t>(at.first);
                    const auto col = static_cast<lxw_col_t>(at.second);
                    if (const double* v = std::get_if<double>(&value))
                        check(worksheet_write_number(ws, row, col, *v, nullptr), "cell of " + name);
                    else if (const std::string* s = std::get_if<std::string>(&value))
                        check(worksheet_write_string(ws, row, col, s->c_str(), nullptr), "cell of " + name);
                }
            }
        }
        for (const auto& wb : d_workbooks) {
            for (const auto& chart : wb->charts()) {
                if (chart->series().empty()) continue;
                const std::string name = freeName(chart->name(), taken);
                lxw_chartsheet* sheet = workbook_add_chartsheet(book, name.c_str());
                lxw_chart* c = workbook_add_chart(book, LXW_CHART_LINE);
                if (!sheet || !c) throw AutomationError("cannot add the chart " + name);
                for (const Range& r : chart->series()) {
                    const auto found = sheetNames.find(&r.worksheet());
                    if (found == sheetNames.end()) throw AutomationError("a series of " + name + " has no worksheet");
                    const std::string formula = std::string("=")
                                                    .append(formulaSheetName(found->second))
                                                    .append("!")
                                                    .append(r.block().absolute());
                    if (!chart_add_series(c, nullptr, formula.c_str()))
                        throw AutomationError("cannot add a series to " + name);
                }
                check(chartsheet_set_chart(sheet, c), "chart " + name);
            }
        }
    } catch (...) {
        workbook_close(book);
        throw;
    }
    const lxw_error closed = workbook_close(book);
    if (closed != LXW_NO_ERROR) throw AutomationError("cannot write " + file + ": " + lxw_strerror(closed));
}

std::string SpreadsheetApplication::release() {
    if (!d_visible || d_workbooks.empty()) {
        d_workbooks.clear();
        return "";
    }
    const std::string temp = office::writeTemporary((std::filesystem::path(d_desk.folder) / "Book").string(),
                                                    [this](const std::string& f) { write(f); });
    const std::string path = office::placeAsNew(temp, d_desk.folder, "Book", ".xlsx");
    d_workbooks.clear();
    if (d_desk.open) d_desk.open(path);
    return path;
}
