#include "dialog_values.h"

#include <gtest/gtest.h>

namespace {

TEST(DialogValues, Integers) {
    struct Case {
        const char* text;
        std::optional<int> value;
    };
    const Case cases[] = {{"16", 16},
                          {" 7 ", 7},
                          {"-5", -5},
                          {"+3", 3},
                          {"0", 0},
                          {"", std::nullopt},
                          {" ", std::nullopt},
                          {"x", std::nullopt},
                          {"1.5", std::nullopt},
                          {"12a", std::nullopt},
                          {"++1", std::nullopt},
                          {"+-1", std::nullopt},
                          {"99999999999", std::nullopt},
                          {"1 2", std::nullopt}};
    for (const Case& c : cases) EXPECT_EQ(parseDialogInteger(c.text), c.value) << '"' << c.text << '"';
}

TEST(DialogValues, AverageCountAndLevels) {
    const std::string notInteger = "Not a vaild Integer value!";
    const std::string tooLarge =
        "Warning! The maximum value is 128 (10K mode) or 16 (500K mode).\nThe value was set to 1.";
    const std::string tooSmall = "Warning! The minimum value is 1.\nThe value was set to 1.";
    struct Case {
        const char* text;
        int maximum;
        int count;
        std::string warning;
    };
    const Case cases[] = {{"abc", 128, 1, notInteger}, {"200", 128, 1, tooLarge}, {"128", 128, 128, ""},
                          {"17", 16, 1, tooLarge},     {"16", 16, 16, ""},        {"0", 128, 1, tooSmall},
                          {"-3", 128, 1, tooSmall},    {"1", 128, 1, ""}};
    for (const Case& c : cases) {
        const AverageChoice choice = checkAverageCount(c.text, c.maximum);
        EXPECT_EQ(choice.count, c.count) << c.text;
        EXPECT_EQ(choice.warning, c.warning) << c.text;
    }
    EXPECT_EQ(clampLevel(150), 100);
    EXPECT_EQ(clampLevel(-5), 0);
    EXPECT_EQ(clampLevel(90), 90);
}

TEST(DialogValues, CalibrationFailureStatusNamesTheNewestReason) {
    struct Case {
        const char* errors;
        const char* status;
    } cases[] = {
        {"Error : The input is not shorted\nError : Error in Zero Calibration\n", "Failed: The input is not shorted"},
        {"Error : Can't convert data from usb to raw data    \n", "Failed: Can't convert data from usb to raw data"},
        {"", "Failed"},
    };
    for (const Case& c : cases) EXPECT_EQ(calibrationFailureStatus("Failed", c.errors), c.status) << c.errors;
}

} // namespace
