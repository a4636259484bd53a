#pragma once
// Reads back what a test needs of an .xlsx package: the sheet names in workbook order, the
// cells of a worksheet as texts, and the series formulas and kind of each chart.

#include "zip_entries.h"

#include <map>
#include <regex>
#include <string>
#include <vector>

struct XlsxContent {
    std::vector<std::string> sheets; // names, workbook order
    // Cell texts by sheet name and address ("A5"): the number as written, or the string.
    std::map<std::string, std::map<std::string, std::string>> cells;
    // Per chart part, in part order: whether it is a line chart, and its series formulas.
    struct ChartPart {
        bool line = false;
        std::vector<std::string> series;
    };
    std::vector<ChartPart> charts;
};

inline XlsxContent readXlsx(const std::string& path) {
    XlsxContent x;
    const auto entries = zipEntries(path);
    auto entry = [&](const std::string& name) {
        const auto it = entries.find(name);
        return it == entries.end() ? std::string() : it->second;
    };
    auto unescape = [](std::string s) {
        const std::pair<const char*, const char*> codes[] = {
            {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&apos;", "'"}, {"&amp;", "&"}};
        for (const auto& [code, text] : codes)
            for (size_t at = 0; (at = s.find(code, at)) != std::string::npos; at += 1)
                s.replace(at, std::string(code).size(), text);
        return s;
    };

    std::vector<std::string> strings;
    const std::string shared = entry("xl/sharedStrings.xml");
    const std::regex si("<si><t[^>]*>([^<]*)</t></si>");
    for (auto it = std::sregex_iterator(shared.begin(), shared.end(), si); it != std::sregex_iterator(); ++it)
        strings.push_back(unescape((*it)[1]));

    const std::string workbook = entry("xl/workbook.xml");
    const std::regex sheet("<sheet name=\"([^\"]*)\"");
    for (auto it = std::sregex_iterator(workbook.begin(), workbook.end(), sheet); it != std::sregex_iterator(); ++it)
        x.sheets.push_back(unescape((*it)[1]));

    // Worksheets are numbered apart from chart sheets, in workbook order.
    int worksheet = 0;
    for (const std::string& name : x.sheets) {
        const std::string xml = entry("xl/worksheets/sheet" + std::to_string(worksheet + 1) + ".xml");
        if (xml.empty()) continue;
        ++worksheet;
        const std::regex cell("<c r=\"([A-Z]+[0-9]+)\"([^>]*)><v>([^<]*)</v></c>");
        for (auto it = std::sregex_iterator(xml.begin(), xml.end(), cell); it != std::sregex_iterator(); ++it) {
            const std::string attributes = (*it)[2];
            std::string value = (*it)[3];
            if (attributes.find("t=\"s\"") != std::string::npos) value = strings.at(std::stoul(value));
            x.cells[name][(*it)[1]] = value;
        }
    }

    for (int n = 1;; ++n) {
        const std::string xml = entry("xl/charts/chart" + std::to_string(n) + ".xml");
        if (xml.empty()) break;
        XlsxContent::ChartPart part;
        part.line = xml.find("<c:lineChart>") != std::string::npos;
        const std::regex formula("<c:val><c:numRef><c:f>([^<]*)</c:f>");
        for (auto it = std::sregex_iterator(xml.begin(), xml.end(), formula); it != std::sregex_iterator(); ++it)
            part.series.push_back(unescape((*it)[1]));
        x.charts.push_back(part);
    }
    return x;
}
