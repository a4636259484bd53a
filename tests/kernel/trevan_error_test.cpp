#include "trevan_error.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

namespace {

class ErrorStackTest : public ::testing::Test {
protected:
    void SetUp() override { get_error_text(); }
};

TEST_F(ErrorStackTest, EmptyStackGivesEmptyText) { EXPECT_STREQ(get_error_text(), ""); }

TEST_F(ErrorStackTest, NewestFirstAndEmptiedByReading) {
    push_error(1, "kernel\\hardware", 70);
    push_error(2, "kernel\\usb_windriver", 366);
    EXPECT_STREQ(get_error_text(), "Error : No TrevanA found\nError : USB Open Error\n");
    EXPECT_STREQ(get_error_text(), "");
}

TEST_F(ErrorStackTest, EleventhPushLeavesOnlyItself) {
    for (int i = 0; i < 10; ++i) push_error(6, "kernel\\usb", i);
    EXPECT_EQ(error_count(), 10);
    push_error(24, "kernel\\control_zero_calibration_hw12", 82);
    EXPECT_EQ(error_count(), 1);
    EXPECT_STREQ(get_error_text(), "Error : Error in Zero Calibration\n");
}

TEST_F(ErrorStackTest, MessagesAreExact) {
    struct Case {
        int code;
        const char* text;
    };
    const Case cases[] = {
        {0, "Not enough memory for allocation"},
        {9, "Can't convert data from usb to raw data    "},
        {13, "Can't create temporaty file - Win32 Error"},
        {17, "While transforming data from hardware to raw data, ch1 and ch2 bit is different"},
        {24, "Error in Zero Calibration"},
        {25, "Time-out"},
        {26, "Download firmware failed"},
        {27, "The two status words of the instrument differ"},
        {28, "The input is not shorted: short the input and calibrate again"},
        {29, "Unknown error"},
        {-1, "Unknown error"},
        {1000, "Unknown error"},
    };
    for (const Case& c : cases) {
        push_error(c.code, "x", 1);
        EXPECT_EQ(std::string(get_error_text()), std::string("Error : ") + c.text + "\n") << c.code;
    }
}

// An operation decides only over its own thread's errors after its mark: what came before,
// and what the other thread pushed meanwhile, stays.
TEST_F(ErrorStackTest, AnOperationTakesOnlyItsOwnErrors) {
    push_error(8, "kernel\\usb", 1);
    const unsigned long mark = error_mark();
    push_error(6, "kernel\\usb", 2);
    std::thread([] { push_error(25, "kernel\\capture", 3); }).join();
    push_error(7, "kernel\\usb", 4);
    EXPECT_TRUE(errors_since(mark));
    keep_first_error_since(mark, "volt/div of channel 1");
    EXPECT_EQ(take_errors_since(mark), "Error : Can't write FPGA registers (volt/div of channel 1)\n");
    EXPECT_FALSE(errors_since(mark));
    EXPECT_STREQ(get_error_text(), "Error : Time-out\nError : Can't read data from buffer\n");
    push_error(6, "kernel\\usb", 5);
    drop_errors_since(mark);
    EXPECT_EQ(error_count(), 0);
}

} // namespace
