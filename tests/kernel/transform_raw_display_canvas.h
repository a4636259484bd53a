#pragma once
// A small test canvas whose row table is the code itself, and a picture of its image as
// text (top row first, '.' for 0, '1'..'9' and 'a'.. for the intensity).

#include "transform_raw_display_draw.h"

#include <cstdint>
#include <string>
#include <vector>

struct TestCanvas {
    TestCanvas(int width, int height, int adcLevels = 16, int step = 1)
        : image(static_cast<size_t>(width * height), 0), rows(static_cast<size_t>(adcLevels)),
          columnMin(static_cast<size_t>(width)), columnMax(static_cast<size_t>(width)) {
        for (int i = 0; i < adcLevels; ++i) rows[static_cast<size_t>(i)] = i;
        c.image = image.data();
        c.width = width;
        c.height = height;
        c.step = step;
        c.rows = rows.data();
        c.adcLevels = adcLevels;
        c.columnMin = columnMin.data();
        c.columnMax = columnMax.data();
    }

    unsigned char at(int x, int y) const { return image[static_cast<size_t>(y * c.width + x)]; }

    std::vector<std::string> picture() const {
        std::vector<std::string> out;
        for (int y = c.height - 1; y >= 0; --y) {
            std::string line;
            for (int x = 0; x < c.width; ++x) {
                const int v = at(x, y);
                line += v == 0 ? '.' : v < 10 ? static_cast<char>('0' + v) : static_cast<char>('a' + v - 10);
            }
            out.push_back(line);
        }
        return out;
    }

    std::vector<unsigned char> image;
    std::vector<int32_t> rows;
    std::vector<int> columnMin;
    std::vector<int> columnMax;
    TraceCanvas c;
};

using Picture = std::vector<std::string>;
