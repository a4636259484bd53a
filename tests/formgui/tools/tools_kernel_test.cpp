// The X-Y plot and the cursor read-out on a whole kernel (simulated instrument).
#include "cursors.h"
#include "environment.h"
#include "indicator_values.h"
#include "simulated_kernel.h"
#include "xy_plot.h"

#include <gtest/gtest.h>

#include <QLabel>

#include <vector>

namespace {

constexpr const char* BOTH_CHANNELS =
    "[CHANNEL]\nchannelOnOff1=1\nchannelCoupling1=1\nchannelOnOff2=1\nchannelCoupling2=1\n";

TEST(ToolsOnTheKernel, TransformDrawsTheXYPlotOnceInstalled) {
    SimulatedKernel k(_HW4, true, BOTH_CHANNELS);
    ASSERT_TRUE(k.create()) << get_error_text();
    ASSERT_TRUE(controlSetTriggerMode(_AUTO));
    short* ch1 = nullptr;
    short* ch2 = nullptr;
    ASSERT_TRUE(controlAcquire(0, &ch1, &ch2));
    ASSERT_TRUE(controlSetXYPlotOnOff(true));

    // Without the plot the transform leaves channel 1's image empty in X-Y mode.
    controlSetXYPlotCallback(nullptr);
    const unsigned char* image = controlGetDisplayBuffer(_CH1);
    ASSERT_NE(image, nullptr);
    const std::size_t pixels = 500 * 400;
    std::vector<unsigned char> expected(pixels, 0);
    drawXYPlot(KernelXYRecords(), expected.data(), 500, 400, 127.0f);
    std::size_t dots = 0;
    for (std::size_t i = 0; i < pixels; ++i) dots += expected[i] == 127;
    ASSERT_GT(dots, 100u); // the simulated square and sine make a figure

    ASSERT_TRUE(installXYPlot());
    image = controlGetDisplayBuffer(_CH1);
    for (std::size_t i = 0; i < pixels; ++i)
        if (expected[i] == 127) {
            ASSERT_EQ(image[i], 127) << "pixel " << i;
        }
}

TEST(ToolsOnTheKernel, CursorReadoutReachesThePanels) {
    SimulatedKernel k(_HW4, true, BOTH_CHANNELS);
    ASSERT_TRUE(k.create()) << get_error_text();
    ASSERT_TRUE(controlSetTimeDiv(_1MS_DIV));
    ASSERT_TRUE(controlSetVoltageDiv(_CH2, _1V_DIV));
    ASSERT_TRUE(controlSetVoltageOffset(_CH2, 200));
    ASSERT_TRUE(controlSetHorizontalPosition(250));

    Environment env("/nonexistent/environment.ini");
    env.selectedObject = 7;
    QLabel horizontal, vertical;
    const CursorPanels panels{&horizontal, &vertical};
    cursorPress(env, panels, 2, 0, 100, 100);
    EXPECT_EQ(vertical.text(), "Vertical : @ = 2V");
    EXPECT_EQ(horizontal.text(), "Horizontal : @ = 3ms");
    cursorDrag(env, panels, 2, 200, 300);
    EXPECT_EQ(vertical.text(), "Vertical : @ = 2V, d=4V");
    EXPECT_EQ(horizontal.text(), "Horizontal : @ = 3ms, d=2ms, f=500Hz");
    cursorRelease(env, 0, 210, 310);
    EXPECT_FALSE(env.cursorDragging);
    EXPECT_EQ(env.cursorB.x, 210);
    EXPECT_EQ(horizontal.text(), "Horizontal : @ = 3ms, d=2ms, f=500Hz");

    ASSERT_TRUE(controlSetProbeAttenuation(_CH2, _X10));
    updateCursorReadout(env, panels, 2);
    EXPECT_EQ(vertical.text(), "Vertical : @ = 20V, d=42V");
}

// A cursor on a trace's offset marker (the zero line the user sees) reads 0, inverted or not;
// the math trace is drawn about its own offset whatever its sources' inversion.
TEST(ToolsOnTheKernel, CursorOnTheOffsetMarkerReadsZero) {
    SimulatedKernel k(_HW4, true, BOTH_CHANNELS);
    ASSERT_TRUE(k.create()) << get_error_text();
    ASSERT_TRUE(controlSetChannelOnOff(_MATH, true));
    for (int ch : {int(_CH1), int(_CH2), int(_MATH)})
        for (bool inverted : {false, true}) {
            ASSERT_TRUE(controlSetVoltageDiv(ch, _1V_DIV));
            ASSERT_TRUE(controlSetVoltageOffset(ch, 300));
            for (int input : {int(_CH1), int(_CH2)}) ASSERT_TRUE(controlSetInvertOnOff(input, inverted));
            const int markerTop = offsetMarkerTop(300, controlGetInvertOnOff(ch), 400);
            Environment env("/nonexistent/environment.ini");
            env.selectedObject = 8;
            QLabel horizontal, vertical;
            cursorPress(env, {&horizontal, &vertical}, ch, 0, 0, markerTop - 5);
            EXPECT_EQ(vertical.text(), "Vertical : @ = 0mV") << "trace " << ch << ", inverted " << inverted;
            cursorPress(env, {&horizontal, &vertical}, ch, 0, 0, markerTop - 5 - 100);
            EXPECT_EQ(vertical.text(), "Vertical : @ = 2V") << "trace " << ch << ", inverted " << inverted;
        }
}

} // namespace
