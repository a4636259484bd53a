#include "form_fpga_view.h"
#include "form_state_view.h"

#include "recorded_messages.h"
#include "simulated_kernel.h"
#include "thread_flags.h"

#include <QTableWidget>

#include <gtest/gtest.h>

namespace {

QString cell(const QTableWidget* grid, int column, int row) {
    const QTableWidgetItem* item = grid->item(row, column);
    return item ? item->text() : QString();
}

using RegisterViewTest = RecordedMessagesTest;

class RegisterViewGenerations : public RegisterViewTest, public ::testing::WithParamInterface<int> {};

int rowOf(const QTableWidget* grid, const char* name) {
    for (int r = 1; r < grid->rowCount(); ++r)
        if (cell(grid, 0, r) == name) return r;
    return -1;
}

TEST_P(RegisterViewGenerations, ImageBesideTheReadBackOfTheSimulatedInstrument) {
    const int generation = GetParam();
    SimulatedKernel kernel(generation, true);
    ASSERT_TRUE(kernel.create()) << get_error_text();
    ASSERT_TRUE(controlSetChannelOnOff(_CH1, true));
    ASSERT_TRUE(controlSetVoltageDiv(_CH1, 3));

    TFormFPGAview view;
    const QTableWidget* grid = view.StringGrid1;
    EXPECT_EQ(view.windowTitle(), "FPGA register");
    EXPECT_EQ(grid->columnCount(), 7);
    const bool wide = generation >= _HW3;
    // Every name has a row, so generations 3 and 4 need two rows more than 28.
    EXPECT_EQ(grid->rowCount(), wide ? 30 : 28);
    const QStringList titles = {"", "Dec", "Hex", "Binary", "Dec'", "Hex'", "Binary'"};
    for (int c = 0; c < 7; ++c) EXPECT_EQ(cell(grid, c, 0), titles[c]);
    EXPECT_EQ(cell(grid, 0, 1), "SC");
    EXPECT_EQ(cell(grid, 0, 10), wide ? "PP4" : "TC");
    EXPECT_EQ(cell(grid, 0, grid->rowCount() - 1), "DD2-Volt");
    const int dc = rowOf(grid, "DC");
    const int sr = rowOf(grid, "SR");
    EXPECT_EQ(dc, wide ? 24 : 22);
    EXPECT_EQ(sr, dc + 1);

    view.show_register_view();
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(view.isVisible());
    EXPECT_EQ(pauseRequestFlag, 0);
    const unsigned char* image = controlGetRegisterImage();
    for (int row = 1; row < grid->rowCount(); ++row) {
        const QString name = cell(grid, 0, row);
        if (row <= dc) {
            EXPECT_EQ(cell(grid, 1, row).toInt(), image[row - 1]) << name.toStdString();
            EXPECT_EQ(cell(grid, 2, row).toInt(nullptr, 16), image[row - 1]);
            EXPECT_EQ(cell(grid, 3, row).toInt(nullptr, 2), image[row - 1]);
            // The instrument holds what the kernel sent: the read-back matches row by row.
            for (int c = 1; c <= 3; ++c) EXPECT_EQ(cell(grid, c + 3, row), cell(grid, c, row)) << name.toStdString();
        } else {
            EXPECT_EQ(cell(grid, 1, row), "") << name.toStdString();
        }
        EXPECT_EQ(cell(grid, 4, row).isEmpty(), row > sr) << name.toStdString();
    }
    // The go strobe is set before every block write.
    EXPECT_EQ(cell(grid, 4, rowOf(grid, "SS")), "001");
}

INSTANTIATE_TEST_SUITE_P(Generations, RegisterViewGenerations, ::testing::Values(_HW1, _HW4));

TEST_F(RegisterViewTest, FailedReadsShowErrorAndStillFillTheImage) {
    SimulatedKernel kernel(_HW2, true);
    ASSERT_TRUE(kernel.create()) << get_error_text();
    TFormFPGAview view;
    view.show_register_view(); // first with data in the read-back columns
    ASSERT_FALSE(cell(view.StringGrid1, 4, 1).isEmpty());

    struct Case {
        std::vector<int> failing;
        size_t errors;
    };
    for (const Case& c : {Case{{0xC4}, 1}, Case{{0xC5}, 1}, Case{{0xC4, 0xC5}, 2}}) {
        messages.clear();
        kernel.bus->clearFaults();
        for (int request : c.failing) {
            UsbFault fault;
            fault.kind = UsbFault::Kind::Stall;
            fault.request = request;
            fault.count = -1;
            kernel.bus->injectFault(fault);
        }
        view.show_register_view();
        EXPECT_EQ(std::count(messages.begin(), messages.end(), "ERROR!"), static_cast<long>(c.errors));
        const bool blockFailed = c.failing.front() == 0xC4;
        EXPECT_EQ(cell(view.StringGrid1, 1, 1).toInt(), controlGetRegisterImage()[0]);
        EXPECT_EQ(cell(view.StringGrid1, 1, 22).isEmpty(), false); // DC
        EXPECT_EQ(cell(view.StringGrid1, 4, 1).isEmpty(), blockFailed);
        EXPECT_EQ(cell(view.StringGrid1, 6, 23).isEmpty(), blockFailed); // SR
    }
    kernel.bus->clearFaults();
}

TEST(StateView, TitlesAndRowNames) {
    TFormStateView view;
    const QTableWidget* grid = view.StringGrid1;
    EXPECT_EQ(view.windowTitle(), "State register");
    EXPECT_EQ(grid->columnCount(), 2);
    EXPECT_EQ(grid->rowCount(), 28);
    EXPECT_EQ(cell(grid, 0, 0), "Registers");
    EXPECT_EQ(cell(grid, 1, 0), "Value");
    const QStringList names = {"ChOnOff", "bufferSizeMode", "bufferSizeMax", "bufferSize", "TrevanMode"};
    for (int r = 0; r < names.size(); ++r) EXPECT_EQ(cell(grid, 0, r + 1), names[r]);
    EXPECT_EQ(cell(grid, 1, 1), "");
}

} // namespace
