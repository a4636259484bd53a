#include "advanced_trigger_choice.h"

#include "codes.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

bool sameKept(const AdvancedTriggerChoice& a, const AdvancedTriggerChoice& b) {
    return a.page == b.page && a.logicOn == b.logicOn && a.logicCondition[0] == b.logicCondition[0] &&
           a.logicCondition[1] == b.logicCondition[1] && a.logicKind == b.logicKind && a.pulseOn == b.pulseOn &&
           a.pulseLonger == b.pulseLonger && a.pulseWidth == b.pulseWidth && a.pulseUnit == b.pulseUnit &&
           a.countedKind == b.countedKind && a.delay == b.delay && a.delayUnit == b.delayUnit &&
           a.eventCount == b.eventCount && a.logicRegisterKind == b.logicRegisterKind &&
           a.logicRegisterOn == b.logicRegisterOn;
}

TEST(AdvancedTriggerSettings, RoundTripBadValuesAndMissingFile) {
    TempDir dir;
    const AdvancedTriggerChoice defaults;
    EXPECT_TRUE(sameKept(loadAdvancedTriggerChoice(dir.file("missing.ini"), _HW4), defaults));
    EXPECT_FALSE(std::filesystem::exists(dir.file("missing.ini")));

    AdvancedTriggerChoice c;
    c.page = AdvancedTriggerChoice::CountedPage;
    c.logicOn = true;
    c.logicCondition[0] = AdvancedTriggerChoice::DONT_CARE;
    c.logicCondition[1] = 0;
    c.logicKind = 5;
    c.pulseOn = true;
    c.pulseLonger = false;
    c.pulseWidth = 2.5;
    c.pulseUnit = TimeUnit::Milliseconds;
    c.countedKind = 2;
    c.delay = 0.125;
    c.delayUnit = TimeUnit::Nanoseconds;
    c.eventCount = 16777215;
    c.logicRegisterKind = 2;
    c.logicRegisterOn = true;
    std::string error;
    ASSERT_TRUE(saveAdvancedTriggerChoice(dir.file("brisane.ini"), c, &error)) << error;
    EXPECT_TRUE(sameKept(loadAdvancedTriggerChoice(dir.file("brisane.ini"), _HW4), c));

    // Every value out of its range, or no number, falls back to its default.
    dir.write("bad.ini", "[AdvancedTrigger]\nPage=4\nLogicOn=2\nLogicCh1=2\nLogicCh2=-2\nLogicKind=6\n"
                         "PulseOn=yes\nPulseWidth=abc\nPulseUnit=3\nCountedKind=3\nDelay=-1\nDelayUnit=-1\n"
                         "EventCount=0\nLogicRegisterKind=3\nLogicRegisterOn=9\n");
    EXPECT_TRUE(sameKept(loadAdvancedTriggerChoice(dir.file("bad.ini"), _HW4), defaults));

    // A kept logic trigger without any condition, or a width the instrument cannot take,
    // is not offered again.
    dir.write("odd.ini", "[AdvancedTrigger]\nLogicOn=1\nLogicCh1=-1\nLogicCh2=-1\nPulseOn=1\nPulseWidth=500\n"
                         "PulseUnit=2\n");
    const AdvancedTriggerChoice odd = loadAdvancedTriggerChoice(dir.file("odd.ini"), _HW4);
    EXPECT_TRUE(checkChoice(odd).empty());
    EXPECT_EQ(odd.pulseWidth, defaults.pulseWidth);
    EXPECT_EQ(odd.pulseUnit, defaults.pulseUnit);
}

// A damaged file's numbers, opened with the advanced trigger on: the kept value the dialog
// would refuse when typed is refused, and the nine values stay within their registers.
TEST(AdvancedTriggerSettings, DamagedNumbersGiveValuesWithinTheRegisters) {
    struct Case {
        int hw;
        const char* keys;
        int widthTicks, countValue; // the kernel's values; 0: that kind is off
    } cases[] = {
        {_HW4, "PulseOn=1\nPulseWidth=1e28\nPulseUnit=1\n", 50000, 0},
        {_HW4, "PulseOn=1\nPulseWidth=-1e28\nPulseUnit=0\n", 50, 0}, // 500 ns
        {_HW4, "PulseOn=1\nPulseWidth=inf\n", 50000, 0},
        {_HW4, "PulseOn=1\nPulseWidth=nan\n", 50000, 0},
        {_HW4, "CountedKind=1\nDelay=1e28\nDelayUnit=1\n", 0, 10000},
        {_HW1, "CountedKind=1\nDelay=1e28\nDelayUnit=2\n", 0, 10000},
        {_HW4, "CountedKind=1\nDelay=1.7976931348623157e308\nDelayUnit=0\n", 0, 10000},
        // Below the instrument's own 1 us on generation 4, not on generation 1.
        {_HW4, "CountedKind=1\nDelay=500\nDelayUnit=0\n", 0, 10000},
        {_HW1, "CountedKind=1\nDelay=500\nDelayUnit=0\n", 0, 500},
        {_HW4, "CountedKind=2\nEventCount=1e28\n", 0, 2},
        {_HW4, "CountedKind=2\nEventCount=99999999999\n", 0, 2},
    };
    TempDir dir;
    for (const Case& k : cases) {
        dir.write("brisane.ini", std::string("[AdvancedTrigger]\n") + k.keys);
        const AdvancedTriggerChoice c =
            openingChoice(loadAdvancedTriggerChoice(dir.file("brisane.ini"), k.hw), true, 1, 0);
        const AdvancedTriggerResults r = resultsOf(c);
        SCOPED_TRACE(k.keys);
        for (const int code : {int(r.r1), int(r.r2)}) EXPECT_TRUE(code >= -1 && code <= 3);
        EXPECT_TRUE(r.r3 >= 0 && r.r3 <= 2 && r.r4 >= 0 && r.r4 <= 2);
        EXPECT_TRUE(r.r5 >= 0 && r.r5 <= AdvancedTriggerChoice::LOGIC_KINDS);
        EXPECT_TRUE(r.r6 >= 0 && r.r6 <= 2 && r.r7 >= 0 && r.r7 <= 2);
        EXPECT_EQ(r.widthValue / 10, k.widthTicks);
        EXPECT_EQ(r.countValue, k.countValue);
    }
}

TEST(AdvancedTriggerSettings, TypedNumbersAreCheckedForTheKindsThatAreOn) {
    struct Case {
        int hw;
        bool pulse;
        int counted;
        const char *width, *delay, *count;
        TimeUnit widthUnit, delayUnit;
        bool ok;
    } cases[] = {
        {_HW4, true, 0, "600", "x", "x", TimeUnit::Microseconds, TimeUnit::Microseconds, true},
        {_HW4, true, 0, "10", "", "", TimeUnit::Nanoseconds, TimeUnit::Microseconds, true},
        {_HW4, true, 0, "9", "", "", TimeUnit::Nanoseconds, TimeUnit::Microseconds, false},
        {_HW4, true, 0, "167.77215", "", "", TimeUnit::Milliseconds, TimeUnit::Microseconds, true},
        {_HW4, true, 0, "167.7722", "", "", TimeUnit::Milliseconds, TimeUnit::Microseconds, false},
        {_HW4, true, 0, "1,5", "", "", TimeUnit::Microseconds, TimeUnit::Microseconds, true},
        {_HW4, true, 0, "abc", "", "", TimeUnit::Microseconds, TimeUnit::Microseconds, false},
        {_HW4, true, 0, "-5", "", "", TimeUnit::Microseconds, TimeUnit::Microseconds, false},
        {_HW4, true, 0, "1e28", "", "", TimeUnit::Milliseconds, TimeUnit::Microseconds, false},
        {_HW4, false, 1, "", "1e300", "", TimeUnit::Microseconds, TimeUnit::Milliseconds, false},
        {_HW4, false, 0, "abc", "x", "x", TimeUnit::Microseconds, TimeUnit::Microseconds, true},
        // The delay: generations 3 and 4 need the instrument's own 1 us.
        {_HW4, false, 1, "", "1", "", TimeUnit::Microseconds, TimeUnit::Microseconds, true},
        {_HW3, false, 1, "", "990", "", TimeUnit::Microseconds, TimeUnit::Nanoseconds, false},
        {_HW2, false, 1, "", "10", "", TimeUnit::Microseconds, TimeUnit::Nanoseconds, true},
        {_HW1, false, 1, "", "167.77216", "", TimeUnit::Microseconds, TimeUnit::Milliseconds, false},
        {_HW4, false, 1, "", "167.77315", "", TimeUnit::Microseconds, TimeUnit::Milliseconds, true},
        {_HW4, false, 2, "", "", "1", TimeUnit::Microseconds, TimeUnit::Microseconds, true},
        {_HW4, false, 2, "", "", "0", TimeUnit::Microseconds, TimeUnit::Microseconds, false},
        {_HW4, false, 2, "", "", "16777216", TimeUnit::Microseconds, TimeUnit::Microseconds, false},
        {_HW4, false, 2, "", "", "2.5", TimeUnit::Microseconds, TimeUnit::Microseconds, false},
    };
    for (const Case& k : cases) {
        AdvancedTriggerChoice c;
        c.pulseOn = k.pulse;
        c.countedKind = k.counted;
        c.pulseUnit = k.widthUnit;
        c.delayUnit = k.delayUnit;
        const std::string message = takeTypedNumbers(c, k.width, k.delay, k.count, k.hw);
        EXPECT_EQ(message.empty(), k.ok) << k.width << " " << k.delay << " " << k.count << ": " << message;
    }
}

TEST(AdvancedTriggerSettings, OpeningWithTheTriggerOffShowsTheSeededEdgeOnly) {
    AdvancedTriggerChoice kept;
    kept.pulseOn = true;
    kept.logicOn = true;
    kept.countedKind = 2;
    kept.page = AdvancedTriggerChoice::PulsePage;
    struct Case {
        bool on;
        signed char s1, s2;
        int source, slope;
    } cases[] = {{false, 1, 0, _CH1, 0}, {false, 0, 2, _CH2, 1}, {false, 0, 0, 0, 1}, {true, 2, 0, _CH1, 1}};
    for (const Case& k : cases) {
        const AdvancedTriggerChoice c = openingChoice(kept, k.on, k.s1, k.s2);
        EXPECT_EQ(c.edgeSource, k.source);
        EXPECT_EQ(c.edgeSlope, k.slope);
        EXPECT_EQ(c.advanced(), k.on);
        EXPECT_EQ(c.page, k.on ? AdvancedTriggerChoice::PulsePage : AdvancedTriggerChoice::EdgePage);
        if (k.on) continue;
        // OK at once gives the seeds back: the kernel keeps source and slope.
        const AdvancedTriggerResults r = resultsOf(c);
        EXPECT_EQ(r.r1, k.s1 != 0 ? k.s1 : 0);
        EXPECT_EQ(r.r2, k.s1 != 0 ? 0 : (k.s2 != 0 ? k.s2 : 2));
        EXPECT_EQ(r.r5 | r.r6 | r.r7, 0);
    }
}

} // namespace
