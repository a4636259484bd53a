#include "register_view_rows.h"

#include "codes.h"

#include <cstdio>

std::vector<std::string> registerViewNames(int generation) {
    const bool wide = generation >= _HW3;
    std::vector<std::string> names = {"SC", "SCH", "SCL1", "SCL2", "MC1", "MC2", "PP1", "PP2", "PP3"};
    if (wide) names.push_back("PP4");
    for (const char* n : {"TC", "LTP", "PDP1", "PDP2", "PDP3", "DT1", "DT2", "DT3"}) names.push_back(n);
    if (wide) names.push_back("VC");
    for (const char* n : {"TB", "SS", "DD1", "DD2", "DC", "SR", "T01", "ID", "DD1-Volt", "DD2-Volt"})
        names.push_back(n);
    return names;
}

std::vector<RegisterViewRow> registerViewRows(int generation, const unsigned char* image, const unsigned char* readBack,
                                              int readBackCount) {
    std::vector<RegisterViewRow> rows;
    bool imageRows = true;
    bool readBackRows = true;
    int k = 0;
    for (const std::string& name : registerViewNames(generation)) {
        RegisterViewRow row;
        row.name = name;
        if (imageRows && image) row.image = image[k];
        if (readBackRows && readBack && k < readBackCount) row.readBack = readBack[k];
        if (name == "DC") imageRows = false;
        if (name == "SR") readBackRows = false;
        rows.push_back(row);
        ++k;
    }
    return rows;
}

std::array<std::string, 3> registerCellTexts(unsigned char value) {
    char dec[8];
    char hex[8];
    std::snprintf(dec, sizeof dec, "%03d", value);
    std::snprintf(hex, sizeof hex, "0x%02x", value);
    std::string binary;
    for (int bit = 7; bit >= 0; --bit) binary += ((value >> bit) & 1) ? '1' : '0';
    return {dec, hex, binary};
}
