// The advanced trigger: the outside dialog, then its results through the trigger setters.
#include "control.h"

#include "advanced_trigger.h"
#include "system_registry.h"
#include "thread_flags.h"

#include <mutex>
#include <thread>

namespace {

// Shows nothing: as if closed at once with the edge trigger as it is.
class NoDialog : public AdvancedTriggerDialog {
public:
    AdvancedTriggerResults showInit(const char*, int, signed char seedCh1, signed char seedCh2) override {
        return closedUnchanged(seedCh1, seedCh2);
    }
    AdvancedTriggerResults show(const char*, int, signed char seedCh1, signed char seedCh2) override {
        return closedUnchanged(seedCh1, seedCh2);
    }

private:
    static AdvancedTriggerResults closedUnchanged(signed char seedCh1, signed char seedCh2) {
        AdvancedTriggerResults r;
        r.r1 = seedCh1;
        r.r2 = seedCh2;
        r.accepted = false;
        return r;
    }
};

std::mutex g_hooksMutex;
std::shared_ptr<AdvancedTriggerDialog> g_dialog;
std::function<void()> g_pump;

} // namespace

EdgeTriggerSeeds edgeTriggerSeeds(int source, int slope) {
    const signed char seed = slope == 0 ? 1 : 2;
    EdgeTriggerSeeds seeds;
    if (source == _CH1) seeds.ch1 = seed;
    if (source == _CH2) seeds.ch2 = seed;
    return seeds;
}

void setAdvancedTriggerDialog(std::shared_ptr<AdvancedTriggerDialog> dialog) {
    std::lock_guard lock(g_hooksMutex);
    g_dialog = std::move(dialog);
}

std::shared_ptr<AdvancedTriggerDialog> advancedTriggerDialog() {
    std::lock_guard lock(g_hooksMutex);
    if (!g_dialog) g_dialog = std::make_shared<NoDialog>();
    return g_dialog;
}

void setGuiEventPump(std::function<void()> pump) {
    std::lock_guard lock(g_hooksMutex);
    g_pump = std::move(pump);
}

void pumpGuiEvents() {
    std::function<void()> pump;
    {
        std::lock_guard lock(g_hooksMutex);
        pump = g_pump;
    }
    if (pump)
        pump();
    else
        std::this_thread::yield();
}

bool Control::runAdvancedTrigger() {
    showAdvancedTrigger();
    return true;
}

void Control::showAdvancedTrigger() {
    State& s = *p_state;
    const char* path = p_systemRegistry->getAdvancedTriggerPath();
    std::shared_ptr<AdvancedTriggerDialog> dialog = advancedTriggerDialog();
    const EdgeTriggerSeeds seeds = edgeTriggerSeeds(s.d_triggerSource, s.d_triggerSlope);
    const AdvancedTriggerResults r = s.d_triggerAdvanceOnOff
                                         ? dialog->show(path, s.d_hardwareVersion, seeds.ch1, seeds.ch2)
                                         : dialog->showInit(path, s.d_hardwareVersion, seeds.ch1, seeds.ch2);
    // Closed without OK: applying even unchanged values would rewrite the edge trigger.
    if (!r.accepted) return;

    // The request is counted: an outer holder of the pause keeps it.
    pauseRequestFlag.fetch_add(1);
    while (acquisitionBusyFlag.load()) pumpGuiEvents();
    const bool applied =
        applyAdvancedTriggerResults(r.r1, r.r2, r.r3, r.r4, r.r5, r.r6, r.r7, r.countValue, r.widthValue);
    pauseRequestFlag.fetch_sub(1);
    if (applied) s.d_triggerAdvanceOnOff = r.r5 != 0 || r.r6 != 0 || r.r7 != 0;
}

bool Control::applyAdvancedTriggerResults(int r1, int r2, int r3, int r4, int r5, int r6, int r7, int countValue,
                                          int widthValue) {
    // The dialog's results are one command: all of them are in force, or none.
    return change("advanced trigger", [&] {
        if (r5 > 0)
            setTriggerLogic(r1 % 3, r2 % 3, r5 - 1);
        else if (r1 > 0)
            setTriggerSlope(r1 == 1 ? 0 : 1);
        else
            setTriggerSlope(r2 == 1 ? 0 : 1);

        setTriggerPulse(r6 > 0, r6 % 2, widthValue / 10);

        if (r7 <= 0) {
            setTriggerType(1, countValue);
            return true;
        }
        if (r7 == 1)
            setTriggerType(2, p_state->d_hardwareVersion <= _HW2 ? countValue / 10 : countValue / 10 - 100);
        else if (r7 == 2)
            setTriggerType(3, countValue);

        if (r3 == 1) setTriggerLogicRegister(1, r4 - 1);
        if (r3 == 2) setTriggerLogicRegister(2, r4 - 1);
        return true;
    });
}
