// Random pause requests in every form, nested pauses and worker restarts from the GUI side
// against the real worker running the real cycle on the simulated instrument. No kernel call
// of the GUI may meet a running cycle; under ThreadSanitizer no data race may show.
#include "cycle_rig.h"

#include <gtest/gtest.h>

#include <random>

namespace {

class PauseStress : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(rig.created) << get_error_text();
        setAcquisitionCycle([this] {
            inCycle = true;
            if (guiInKernel) ++overlaps;
            rig.cycle->acquireAndDisplay();
            if (guiInKernel) ++overlaps;
            inCycle = false;
            ++rig.cycles;
        });
    }

    // One kernel call from the GUI side, as an action's work does it.
    void kernelWork() {
        guiInKernel = true;
        if (inCycle) ++overlaps;
        switch (pick(7)) {
        case 0: controlSetVoltageDiv(_CH1, pick(11)); break;
        case 1: controlSetTriggerLevel(pick(401)); break;
        case 2: controlSetTriggerMode(pick(2)); break;
        case 3: controlSetChannelOnOff(_CH2, pick(2) == 1); break;
        case 4: controlSetRunState(pick(3)); break;
        case 5: controlSetVoltageOffset(_CH1, pick(401)); break;
        default: {
            // What an export reads under the pause.
            const CycleRecords& r = rig.cycle->records();
            if (r.p_rawDataCh1) sum += r.p_rawDataCh1[pick(1000)];
            if (r.p_displayBufferCh1) sum += r.p_displayBufferCh1[pick(500 * 400)];
            break;
        }
        }
        if (inCycle) ++overlaps;
        guiInKernel = false;
    }

    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); }

    CycleRig rig{"[CHANNEL]\nchannelOnOff1=1\nchannelOnOff2=1\n"};
    std::mt19937 random{20240611};
    std::atomic<bool> inCycle{false};
    std::atomic<bool> guiInKernel{false};
    std::atomic<int> overlaps{0};
    long sum = 0;
};

TEST_F(PauseStress, GuiKernelCallsNeverMeetACycle) {
    const int requests = 3000;
    ASSERT_TRUE(startAcquisitionThread());
    int restarts = 0;
    for (int i = 0; i < requests; ++i) {
        switch (pick(12)) {
        case 0:
        case 1:
        case 2: pauseStandard(pumpEvents, [&] { kernelWork(); }); break;
        case 3:
            pauseStandard(pumpEvents, [&] {
                kernelWork();
                pauseStandard(pumpEvents, [&] { kernelWork(); });
                kernelWork(); // the inner release kept the outer pause
            });
            break;
        case 4: pauseNoWait(pick(2) ? "offset" : "level", [&] { kernelWork(); }); break;
        case 5:
            pauseTimeBase(pumpEvents, [&] {
                guiInKernel = true;
                if (inCycle) ++overlaps;
                controlSetTimeDiv(_10US_DIV + pick(6));
                guiInKernel = false;
            });
            break;
        case 6: pausePosition([&] { kernelWork(); }); break;
        case 7:
            stopAcquisitionThread();
            kernelWork(); // the worker is gone
            startAcquisitionThread();
            ++restarts;
            break;
        case 8: {
            // Back-to-back requests would starve the worker: let a cycle finish now and then.
            const int before = rig.cycles;
            ASSERT_TRUE(pumpUntil([&] { return rig.cycles > before; }));
            break;
        }
        case 9: std::this_thread::sleep_for(std::chrono::microseconds(pick(500))); break;
        default: pumpEvents(); break;
        }
    }
    stopAcquisitionThread();

    EXPECT_EQ(overlaps, 0);
    EXPECT_EQ(heldChanges(), 0);
    EXPECT_EQ(pauseRequestFlag.load(), 0);
    EXPECT_EQ(acquisitionBusyFlag.load(), 0);
    EXPECT_GT(restarts, 0);
    EXPECT_GT(rig.cycles, 0);
    RecordProperty("cycles", rig.cycles.load());
}

} // namespace
