#include "advanced_trigger_choice.h"

#include "codes.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

bool sameKept(const AdvancedTriggerChoice& a, const AdvancedTriggerChoice& b) {
    return a.page == b.page && a.logicOn == b.logicOn &&
           a.logicCondition[0] == b.logicCondition[0] &&
           a.logicCondition[1] == b.logicCondition[1] && a.logicKind == b.logicKind &&
           a.pulseOn == b.pulseOn && a.pulseLonger == b.pulseLonger &&
           a.pulseWidth == b.pulseWidth && a.pulseUnit == b.pulseUnit &&
           a.countedKind == b.countedKind && a.delay == b.delay && a.delayUnit == b.delayUnit &&
           a.eventCount == b.eventCount && a.logicRegisterKind == b.logicRegisterKind &&
           a.logicRegisterOn == b.logicRegisterOn;
}

TEST(AdvancedTriggerSettings, RoundTripBadValuesAndMissingFile) {
    TempDir dir;
    const AdvancedTriggerChoice defaults;
    EXPECT_TRUE(sameKept(loadAdvancedTriggerChoice(dir.file("missing.ini")), defaults));
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
    EXPECT_TRUE(sameKept(loadAdvancedTriggerChoice(dir.file("brisane.ini")), c));

    // Every value out of its range, or no number, falls back to its default.
    dir.write("bad.ini",
              "[AdvancedTrigger]\nPage=4\nLogicOn=2\nLogicCh1=2\nLogicCh2=-2\nLogicKind=6\n"
              "PulseOn=yes\nPulseWidth=abc\nPulseUnit=3\nCountedKind=3\nDelay=-1\nDelayUnit=-1\n"
              "EventCount=0\nLogicRegisterKind=3\nLogicRegisterOn=9\n");
    EXPECT_TRUE(sameKept(loadAdvancedTriggerChoice(dir.file("bad.ini")), defaults));

    // A kept logic trigger without any condition, or a width the instrument cannot take,
    // is not offered again.
    dir.write("odd.ini",
              "[AdvancedTrigger]\nLogicOn=1\nLogicCh1=-1\nLogicCh2=-1\nPulseOn=1\nPulseWidth=500\n"
              "PulseUnit=2\n");
    const AdvancedTriggerChoice odd = loadAdvancedTriggerChoice(dir.file("odd.ini"));
    EXPECT_TRUE(checkChoice(odd).empty());
    EXPECT_EQ(odd.pulseWidth, defaults.pulseWidth);
    EXPECT_EQ(odd.pulseUnit, defaults.pulseUnit);
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
        {_HW4, false, 0, "abc", "x", "x", TimeUnit::Microseconds, TimeUnit::Microseconds, true},
        // The delay: generations 3 and 4 need the instrument's own 1 us.
        {_HW4, false, 1, "", "1", "", TimeUnit::Microseconds, TimeUnit::Microseconds, true},
        {_HW3, false, 1, "", "990", "", TimeUnit::Microseconds, TimeUnit::Nanoseconds, false},
        {_HW2, false, 1, "", "10", "", TimeUnit::Microseconds, TimeUnit::Nanoseconds, true},
        {_HW1, false, 1, "", "167.77216", "", TimeUnit::Microseconds, TimeUnit::Milliseconds,
         false},
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
        EXPECT_EQ(message.empty(), k.ok)
            << k.width << " " << k.delay << " " << k.count << ": " << message;
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
    } cases[] = {
        {false, 1, 0, _CH1, 0}, {false, 0, 2, _CH2, 1}, {false, 0, 0, 0, 1}, {true, 2, 0, _CH1, 1}};
    for (const Case& k : cases) {
        const AdvancedTriggerChoice c = openingChoice(kept, k.on, k.s1, k.s2);
        EXPECT_EQ(c.edgeSource, k.source);
        EXPECT_EQ(c.edgeSlope, k.slope);
        EXPECT_EQ(c.advanced(), k.on);
        EXPECT_EQ(c.page,
                  k.on ? AdvancedTriggerChoice::PulsePage : AdvancedTriggerChoice::EdgePage);
        if (k.on) continue;
        // OK at once gives the seeds back: the kernel keeps source and slope.
        const AdvancedTriggerResults r = resultsOf(c);
        EXPECT_EQ(r.r1, k.s1 != 0 ? k.s1 : 0);
        EXPECT_EQ(r.r2, k.s1 != 0 ? 0 : (k.s2 != 0 ? k.s2 : 2));
        EXPECT_EQ(r.r5 | r.r6 | r.r7, 0);
    }
}

} // namespace
