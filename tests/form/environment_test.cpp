#include "environment.h"
#include "ini_file.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

const char* const DEFAULT_FILE = "[Option]\n"
                                 "BackgroundInvert=0\n"
                                 "SetupInformationInclude=0\n"
                                 "DateInclude=0\n"
                                 "BoundaryOnOff=1\n"
                                 "CrossOnOff=1\n"
                                 "GridOnOff=1\n"
                                 "ColorGrayMode=1\n"
                                 "ColorOnOffCh1=0\n"
                                 "ColorOnOffCh2=0\n"
                                 "TitleOnOff=0\n"
                                 "GridOriginColor=13421772\n"
                                 "ColorStartPos=53\n"
                                 "Title=Velmora\n"
                                 "\n"
                                 "[MainForm]\n"
                                 "fileVisible=1\nfileFloat=0\nfileWidth=214\nfileHeight=30\n"
                                 "fileTop=2\nfileLeft=11\nfileClientTop=0\nfileClientLeft=0\n"
                                 "displayVisible=1\ndisplayFloat=0\ndisplayWidth=272\ndisplayHeight=30\n"
                                 "displayTop=2\ndisplayLeft=148\ndisplayClientTop=0\ndisplayClientLeft=0\n"
                                 "channelVisible=1\nchannelFloat=0\nchannelWidth=404\nchannelHeight=30\n"
                                 "channelTop=36\nchannelLeft=11\nchannelClientTop=0\nchannelClientLeft=0\n"
                                 "trigVisible=1\ntrigFloat=0\ntrigWidth=138\ntrigHeight=30\n"
                                 "trigTop=36\ntrigLeft=428\ntrigClientTop=0\ntrigClientLeft=0\n"
                                 "runstopVisible=1\nrunstopFloat=0\nrunstopWidth=124\nrunstopHeight=30\n"
                                 "runstopTop=2\nrunstopLeft=433\nrunstopClientTop=0\nrunstopClientLeft=0\n"
                                 "utilVisible=1\nutilFloat=0\nutilWidth=32\nutilHeight=30\n"
                                 "utilTop=2\nutilLeft=570\nutilClientTop=0\nutilClientLeft=0\n"
                                 "FullInfoOnOff=1\n"
                                 "\n"
                                 "[Measurement]\n"
                                 "UpperLevel=90\n"
                                 "LowerLevel=10\n";

int keyCount(const std::string& text) {
    int n = 0;
    for (char c : text) n += c == '=';
    return n;
}

TEST(Environment, FirstStartTakesDefaultsAndWritesEveryKey) {
    TempDir dir;
    const std::string path = dir.file("environment.ini");
    Environment env(path);
    EXPECT_EQ(env.environmentPath, path);
    for (const ToolBarLayout& bar : env.toolBarLayout) EXPECT_TRUE(bar.Visible);
    EXPECT_TRUE(env.GridOnOff && env.BoundaryOnOff && env.CrossOnOff && env.ColorGrayMode && env.FullInfoOnOff);
    EXPECT_FALSE(env.TitleOnOff);
    EXPECT_EQ(env.Title, "Velmora");
    EXPECT_EQ(env.UpperLevel, 90);
    EXPECT_EQ(env.LowerLevel, 10);
    EXPECT_EQ(env.selectedObject, 0);
    EXPECT_EQ(env.selectedLabel, -1);
    EXPECT_FALSE(env.wheelEnabled || env.cursorDragging);
    EXPECT_TRUE(env.labelList.empty());

    ASSERT_TRUE(env.save()) << env.saveError();
    const std::string text = TempDir::read(path);
    EXPECT_EQ(keyCount(text), 64);
    EXPECT_EQ(text, DEFAULT_FILE);
}

TEST(Environment, MissingKeysTakeTheirDefaults) {
    TempDir dir;
    Environment env(dir.write("environment.ini", "[Measurement]\nUpperLevel=80\n"));
    EXPECT_EQ(env.UpperLevel, 80);
    EXPECT_EQ(env.LowerLevel, 10);
    ASSERT_TRUE(env.save());
    std::string expected = DEFAULT_FILE;
    // The section that was in the file comes first.
    const std::string measurement = "[Measurement]\nUpperLevel=80\nLowerLevel=10\n";
    expected.erase(expected.find("\n[Measurement]"));
    EXPECT_EQ(TempDir::read(env.environmentPath), measurement + "\n" + expected);
}

TEST(Environment, StoredOptionsRoundTripAndWorkingStateDoesNot) {
    TempDir dir;
    const std::string path = dir.file("environment.ini");
    {
        Environment env(path);
        env.BackgroundInvert = env.SetupInformationInclude = env.DateInclude = true;
        env.BoundaryOnOff = env.CrossOnOff = env.GridOnOff = env.ColorGrayMode = false;
        env.ColorOnOffCh1 = env.ColorOnOffCh2 = env.TitleOnOff = true;
        env.GridOriginColor = 0x123456;
        env.ColorStartPos = 180;
        env.Title = "Bench 3 = left";
        int v = 1;
        for (ToolBarLayout& bar : env.toolBarLayout) {
            bar = {v % 2 == 0, v % 3 == 0, v, v + 1, -v, v + 2, v + 3, -v - 4};
            v += 10;
        }
        env.UpperLevel = 75;
        env.LowerLevel = 0;
        env.FullInfoOnOff = false;
        // Never stored.
        env.selectedObject = 7;
        env.cursorA = {10, 20};
        env.labelList.push_back(LabelListName{0, 0xFFFFFF, 5, 5, 15, 15, "a"});
        env.printerCaps = {600, 600, 4960, 7016};
        env.savedTriggerMode = 1;
        ASSERT_TRUE(env.save()) << env.saveError();
    }
    Environment env(path);
    EXPECT_TRUE(env.BackgroundInvert && env.SetupInformationInclude && env.DateInclude);
    EXPECT_FALSE(env.BoundaryOnOff || env.CrossOnOff || env.GridOnOff || env.ColorGrayMode);
    EXPECT_TRUE(env.ColorOnOffCh1 && env.ColorOnOffCh2 && env.TitleOnOff);
    EXPECT_EQ(env.GridOriginColor, 0x123456);
    EXPECT_EQ(env.ColorStartPos, 180);
    EXPECT_EQ(env.Title, "Bench 3 = left");
    int v = 1;
    for (const ToolBarLayout& bar : env.toolBarLayout) {
        EXPECT_EQ(bar.Visible, v % 2 == 0);
        EXPECT_EQ(bar.Float, v % 3 == 0);
        EXPECT_EQ(bar.Width, v);
        EXPECT_EQ(bar.Height, v + 1);
        EXPECT_EQ(bar.Top, -v);
        EXPECT_EQ(bar.Left, v + 2);
        EXPECT_EQ(bar.ClientTop, v + 3);
        EXPECT_EQ(bar.ClientLeft, -v - 4);
        v += 10;
    }
    EXPECT_EQ(env.UpperLevel, 75);
    EXPECT_EQ(env.LowerLevel, 0);
    EXPECT_FALSE(env.FullInfoOnOff);
    EXPECT_EQ(env.selectedObject, 0);
    EXPECT_EQ(env.cursorA.x, 0);
    EXPECT_EQ(env.cursorA.y, 0);
    EXPECT_TRUE(env.labelList.empty());
    EXPECT_EQ(env.printerCaps.horizontalDpi, 0);
    EXPECT_EQ(env.savedTriggerMode, 0);
}

// Reads a stored number, plain or atomic, through the table's member pointer.
template <auto Member>
int field(const Environment& e) {
    return e.*Member;
}

TEST(Environment, BadValuesTakeTheDefault) {
    struct Case {
        const char* section;
        const char* key;
        const char* text;
        int (*field)(const Environment&);
        int expected;
    };
    const Case numbers[] = {
        {"Option", "GridOriginColor", "abc", field<&Environment::GridOriginColor>, 13421772},
        {"Option", "GridOriginColor", "-1", field<&Environment::GridOriginColor>, 13421772},
        {"Option", "GridOriginColor", "16777216", field<&Environment::GridOriginColor>, 13421772},
        {"Option", "GridOriginColor", "16777215", field<&Environment::GridOriginColor>, 16777215},
        {"Option", "GridOriginColor", "99999999999", field<&Environment::GridOriginColor>, 13421772},
        // The start hue is clamped into the dialog's range rather than reset.
        {"Option", "ColorStartPos", "200", field<&Environment::ColorStartPos>, 180},
        {"Option", "ColorStartPos", "-5", field<&Environment::ColorStartPos>, 0},
        {"Option", "ColorStartPos", "180", field<&Environment::ColorStartPos>, 180},
        {"Option", "ColorStartPos", "x", field<&Environment::ColorStartPos>, 53},
        {"Measurement", "UpperLevel", "101", field<&Environment::UpperLevel>, 90},
        {"Measurement", "UpperLevel", "100", field<&Environment::UpperLevel>, 100},
        {"Measurement", "LowerLevel", "-1", field<&Environment::LowerLevel>, 10},
        {"Measurement", "LowerLevel", "1e3", field<&Environment::LowerLevel>, 10},
        {"Measurement", "LowerLevel", "0", field<&Environment::LowerLevel>, 0},
    };
    for (const Case& c : numbers) {
        TempDir dir;
        Environment env(dir.write("e.ini", std::string("[") + c.section + "]\n" + c.key + "=" + c.text + "\n"));
        EXPECT_EQ(c.field(env), c.expected) << c.key << "=" << c.text;
    }

    TempDir dir;
    Environment env(dir.write("e.ini", "[MainForm]\nfileWidth=-3\ntrigTop=-40000\ndisplayTop=-20\n"
                                       "utilHeight=70000\nchannelVisible=maybe\nrunstopVisible=0\n"
                                       "FullInfoOnOff=false\n[Option]\nGridOnOff=0\nBoundaryOnOff=??\n"));
    EXPECT_EQ(env.toolBarLayout[_TOOLBAR_FILE].Width, 214);
    EXPECT_EQ(env.toolBarLayout[_TOOLBAR_TRIG].Top, 36);
    EXPECT_EQ(env.toolBarLayout[_TOOLBAR_DISPLAY].Top, -20);
    EXPECT_EQ(env.toolBarLayout[_TOOLBAR_UTIL].Height, 30);
    EXPECT_TRUE(env.toolBarLayout[_TOOLBAR_CHANNEL].Visible);
    EXPECT_FALSE(env.toolBarLayout[_TOOLBAR_RUNSTOP].Visible);
    EXPECT_FALSE(env.FullInfoOnOff);
    EXPECT_FALSE(env.GridOnOff);
    EXPECT_TRUE(env.BoundaryOnOff);
}

TEST(Environment, SaveKeepsKeysItDoesNotKnow) {
    TempDir dir;
    const std::string path = dir.write("environment.ini", "; mine\n[Option]\nLegacy=7\nGridOnOff=0\n[Extra]\nk=v\n");
    Environment env(path);
    env.GridOnOff = true;
    ASSERT_TRUE(env.save());
    const std::string text = TempDir::read(path);
    EXPECT_EQ(text.rfind("; mine\n[Option]\nLegacy=7\nGridOnOff=1\n", 0), 0u) << text;
    EXPECT_NE(text.find("[Extra]\nk=v\n"), std::string::npos);
    EXPECT_EQ(keyCount(text), 66);
}

TEST(Environment, FailedSaveIsReportedAndLeavesTheTargetAlone) {
    TempDir dir;
    Environment missingFolder(dir.file("no/such/folder/environment.ini"));
    EXPECT_FALSE(missingFolder.save());
    EXPECT_FALSE(missingFolder.saveError().empty());

    // A target that cannot be replaced: a folder holding a file.
    const std::string target = dir.file("environment.ini");
    std::filesystem::create_directory(target);
    const std::string inside = dir.write("environment.ini/keep", "old");
    Environment blocked(target);
    EXPECT_FALSE(blocked.save());
    EXPECT_FALSE(blocked.saveError().empty());
    EXPECT_EQ(TempDir::read(inside), "old");
    // No temporary file is left behind.
    int entries = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.path())) entries += e.exists();
    EXPECT_EQ(entries, 1);

    // The path may still be saved elsewhere.
    EXPECT_TRUE(blocked.save(dir.file("other.ini")));
    EXPECT_TRUE(blocked.saveError().empty());

    // A file that exists but was not read (over the cap) is not replaced by defaults.
    const std::string big(IniFile::MAX_FILE_SIZE + 1, ';');
    const std::string unread = dir.write("big.ini", "[Option]\nTitle=mine\n" + big);
    Environment notRead(unread);
    notRead.Title = "new";
    EXPECT_FALSE(notRead.save());
    EXPECT_NE(notRead.saveError().find("larger than 1 MB; it is kept as it is"), std::string::npos)
        << notRead.saveError();
    EXPECT_EQ(TempDir::read(unread), "[Option]\nTitle=mine\n" + big);
}

} // namespace

// A docked bar keeps the file's Top and Left and goes into the Client keys; a floating one
// keeps its docked place and takes the floating window's size.
TEST(Environment, ToolbarGeometryGoesIntoTheLayout) {
    struct Case {
        const char* what;
        ToolbarGeometry geometry;
        ToolBarLayout expected;
    } cases[] = {
        {"docked", {true, false, 0, 0, 7, 8, 210, 28}, {true, false, 210, 28, 2, 11, 8, 7}},
        {"floating", {false, true, 300, 40, 1, 2, 3, 4}, {false, true, 300, 40, 2, 11, 5, 6}},
    };
    for (const Case& c : cases) {
        ToolBarLayout layout{true, false, 1, 1, 2, 11, 5, 6};
        recordToolbarGeometry(layout, c.geometry);
        EXPECT_EQ(layout.Visible, c.expected.Visible) << c.what;
        EXPECT_EQ(layout.Float, c.expected.Float) << c.what;
        EXPECT_EQ(layout.Width, c.expected.Width) << c.what;
        EXPECT_EQ(layout.Height, c.expected.Height) << c.what;
        EXPECT_EQ(layout.Top, c.expected.Top) << c.what;
        EXPECT_EQ(layout.Left, c.expected.Left) << c.what;
        EXPECT_EQ(layout.ClientTop, c.expected.ClientTop) << c.what;
        EXPECT_EQ(layout.ClientLeft, c.expected.ClientLeft) << c.what;
    }
}
