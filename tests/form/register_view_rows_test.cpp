#include "register_view_rows.h"

#include "codes.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

namespace {

TEST(RegisterViewRows, CellTexts) {
    using Texts = std::array<std::string, 3>;
    EXPECT_EQ(registerCellTexts(5), (Texts{"005", "0x05", "00000101"}));
    EXPECT_EQ(registerCellTexts(0), (Texts{"000", "0x00", "00000000"}));
    EXPECT_EQ(registerCellTexts(0xA4), (Texts{"164", "0xa4", "10100100"}));
    EXPECT_EQ(registerCellTexts(255), (Texts{"255", "0xff", "11111111"}));
}

TEST(RegisterViewRows, ImageUpToDcAndReadBackUpToSr) {
    struct Case {
        int generation;
        int readBackCount;
        size_t names;
        const char* rowAfterPP3;
        int dcRow;
        int srRow;
    };
    for (const Case& c : {Case{_HW1, 23, 27, "TC", 22, 23}, Case{_HW2, 23, 27, "TC", 22, 23},
                          Case{_HW3, 25, 29, "PP4", 24, 25}, Case{_HW4, 25, 29, "PP4", 24, 25}}) {
        std::vector<unsigned char> image(27);
        std::iota(image.begin(), image.end(), 1);
        std::vector<unsigned char> readBack(static_cast<size_t>(c.readBackCount));
        std::iota(readBack.begin(), readBack.end(), 101);
        const auto rows = registerViewRows(c.generation, image.data(), readBack.data(), c.readBackCount);
        ASSERT_EQ(rows.size(), c.names);
        EXPECT_EQ(rows[9].name, c.rowAfterPP3);
        EXPECT_EQ(rows.back().name, "DD2-Volt");
        EXPECT_EQ(rows[static_cast<size_t>(c.dcRow - 1)].name, "DC");
        EXPECT_EQ(rows[static_cast<size_t>(c.srRow - 1)].name, "SR");
        for (size_t k = 0; k < rows.size(); ++k) {
            const int row = static_cast<int>(k) + 1;
            // Image byte k and read-back byte k belong to the same register row.
            if (row <= c.dcRow)
                EXPECT_EQ(rows[k].image, row) << rows[k].name;
            else
                EXPECT_FALSE(rows[k].image) << rows[k].name;
            if (row <= c.srRow)
                EXPECT_EQ(rows[k].readBack, 100 + row) << rows[k].name;
            else
                EXPECT_FALSE(rows[k].readBack) << rows[k].name;
        }
        // The TB row shows the time-base byte that the block carries there.
        const auto tb = std::find_if(rows.begin(), rows.end(), [](const auto& r) { return r.name == "TB"; });
        EXPECT_EQ(tb->readBack, 100 + (c.generation >= _HW3 ? 20 : 18));

        // A failed read leaves the read-back empty; a short one fills what it has.
        for (const auto& r : registerViewRows(c.generation, image.data(), nullptr, c.readBackCount))
            EXPECT_FALSE(r.readBack);
        EXPECT_FALSE(registerViewRows(c.generation, image.data(), readBack.data(), 3)[3].readBack);
    }
}

} // namespace
