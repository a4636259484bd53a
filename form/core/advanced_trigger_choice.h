#pragma once
// What the advanced-trigger dialog offers, without a widget: the user's choices, their
// check, the nine values the kernel takes from them (AdvancedTriggerResults) and the
// settings file that keeps them between uses.
//
// Times on the instrument count 10 ns clock ticks in 24-bit registers. The pulse width and
// the counted delay go to the kernel in nanoseconds (it divides by ten); on generations 3
// and 4 the instrument adds 1 us (100 ticks) to the delay itself, so that is its minimum.

#include "advanced_trigger.h"

#include <string>
#include <string_view>

enum class TimeUnit { Nanoseconds = 0, Microseconds = 1, Milliseconds = 2 };

struct AdvancedTriggerChoice {
    enum Page { EdgePage = 0, LogicPage = 1, PulsePage = 2, CountedPage = 3 };
    static constexpr int DONT_CARE = -1;
    static constexpr int LOGIC_KINDS = 6; // the values register 12 bits 3-5 take
    static constexpr int MAX_TICKS = 0xFFFFFF;

    // Edge: the trigger in force when the dialog opened (source 0: none); only the slope
    // is the dialog's to change, the source stays the main window's.
    int edgeSource = 1;
    int edgeSlope = 1; // the kernel's codes: 1 rising, 0 falling

    // Logic: a condition per channel, -1 don't care, 0 low (falling), 1 high (rising).
    bool logicOn = false;
    int logicCondition[2] = {1, DONT_CARE};
    int logicKind = 0; // 0..5, see logicKindName

    // Pulse width: the source's (or the logic condition's) pulse, shorter or longer than.
    bool pulseOn = false;
    bool pulseLonger = true;
    double pulseWidth = 500; // in pulseUnit
    TimeUnit pulseUnit = TimeUnit::Microseconds;

    // Counted: 0 none, 1 a delay after the trigger event, 2 the n-th trigger event.
    int countedKind = 0;
    double delay = 10; // in delayUnit
    TimeUnit delayUnit = TimeUnit::Microseconds;
    int eventCount = 2;
    // The logic register, sent with a counted trigger only: kind 0 (not sent), 1 or 2, see
    // logicRegisterKindName; on: the counted trigger takes its event from the logic condition.
    int logicRegisterKind = 0;
    bool logicRegisterOn = false;

    int page = EdgePage; // the page shown when the dialog opens

    // True when any advanced kind is chosen (the kernel then turns the advanced trigger on).
    bool advanced() const { return logicOn || pulseOn || countedKind != 0; }
};

// Texts the dialog shows.
const char* logicKindName(int kind);
// Kind 1 serves the delay after the event, kind 2 the n-th event (the counted kinds' order).
const char* logicRegisterKindName(int kind);
const char* timeUnitName(TimeUnit unit);
// "10 ns to 167.77 ms" and the like, for the generation's range of each typed time.
std::string pulseWidthRange();
std::string delayRange(int hardwareVersion);

// The edge trigger of the kernel's seeds (1: slope 0, 2: slope 1; a channel with seed 0 is
// not the source).
void seedEdge(AdvancedTriggerChoice& choice, signed char seedCh1, signed char seedCh2);

// The choices as the dialog opens: the kept settings with the edge trigger from the seeds.
// With the advanced trigger off (`advancedOn` false) the advanced kinds are switched off and
// the edge page is shown, so OK alone gives the edge trigger back as it was.
AdvancedTriggerChoice openingChoice(const AdvancedTriggerChoice& kept, bool advancedOn, signed char seedCh1,
                                    signed char seedCh2);

// The three typed numbers, read and checked for the kinds that are on (the others are kept
// when they read as numbers). Returns the message to show, empty when all is well; on a
// message `choice` may hold some of the new values.
std::string takeTypedNumbers(AdvancedTriggerChoice& choice, std::string_view pulseWidth, std::string_view delay,
                             std::string_view eventCount, int hardwareVersion);
// The check of the choices themselves (a logic trigger needs a condition); empty when fine.
std::string checkChoice(const AdvancedTriggerChoice& choice);

// The nine values of any choice, each within its register (accepted stays true).
AdvancedTriggerResults resultsOf(const AdvancedTriggerChoice& choice);

// The settings file: unknown or bad values read as the defaults above, a missing file as
// the first use; a number of a kind that is on is held to the checks of a typed one on
// generation `hardwareVersion`. The edge trigger is not kept (it comes from the seeds).
// save() writes through a temporary file; false with `error` on failure.
AdvancedTriggerChoice loadAdvancedTriggerChoice(const std::string& path, int hardwareVersion);
bool saveAdvancedTriggerChoice(const std::string& path, const AdvancedTriggerChoice& choice, std::string* error);
