#pragma once
// The advanced-trigger dialog, outside the kernel: the GUI installs an implementation; the
// kernel calls it from Control::runAdvancedTrigger on the GUI thread and applies what it
// returns. The dialog keeps its own settings in the file it is given.

#include <functional>
#include <memory>

struct AdvancedTriggerResults {
    signed char r1 = 0; // condition of CH1 (as an edge: 1 and 2 are the two slopes)
    signed char r2 = 0; // condition of CH2
    signed char r3 = 0; // logic-register kind (1 or 2)
    signed char r4 = 0; // its value plus one
    signed char r5 = 0; // logic kind plus one (0 or less: plain edge)
    signed char r6 = 0; // pulse setting (above 0: pulse trigger on; odd: the other mode)
    signed char r7 = 0; // counted trigger kind (1 or 2; 0 or less: none)
    int countValue = 0;
    int widthValue = 0; // ten times the pulse width passed on
    // False when the user closed the dialog without OK: nothing is applied, whatever the
    // nine values say.
    bool accepted = true;
};

// Seeds of the edge trigger: the source channel's seed is 1 for slope 0 and 2 for slope 1,
// the other channel's 0; a source other than 1 or 2 gives 0 for both.
struct EdgeTriggerSeeds {
    signed char ch1 = 0;
    signed char ch2 = 0;
};
EdgeTriggerSeeds edgeTriggerSeeds(int source, int slope);

class AdvancedTriggerDialog {
public:
    virtual ~AdvancedTriggerDialog() = default;
    // The dialog seeded from the edge trigger (the advanced trigger is off).
    virtual AdvancedTriggerResults showInit(const char* settingsPath, int hardwareVersion, signed char seedCh1,
                                            signed char seedCh2) = 0;
    // The dialog with the settings it keeps (the advanced trigger is on). The seeds are the
    // edge trigger in force, which the dialog offers back when the user returns to it.
    virtual AdvancedTriggerResults show(const char* settingsPath, int hardwareVersion, signed char seedCh1,
                                        signed char seedCh2) = 0;
};

// Installs the dialog; null restores the default, which shows nothing and is taken as
// closed without OK (nothing changes).
void setAdvancedTriggerDialog(std::shared_ptr<AdvancedTriggerDialog> dialog);
std::shared_ptr<AdvancedTriggerDialog> advancedTriggerDialog();

// Run on the GUI thread while it waits for the worker to become idle (pending GUI events
// without user input); the default does nothing.
void setGuiEventPump(std::function<void()> pump);
void pumpGuiEvents();
