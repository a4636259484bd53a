#include "ini_file.h"
#include "process_locale.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <clocale>
#include <sys/stat.h>

namespace {

TEST(IniFile, MissingFileReadsDefaults) {
    TempDir dir;
    IniFile ini(dir.file("none.ini"));
    EXPECT_TRUE(ini.loadedOk());
    EXPECT_EQ(ini.readInteger("A", "b", 7), 7);
    EXPECT_DOUBLE_EQ(ini.readFloat("A", "b", 2.5), 2.5);
    EXPECT_EQ(ini.readString("A", "b", "x"), "x");
    EXPECT_TRUE(ini.readBool("A", "b", true));
}

TEST(IniFile, ValuesAndVariants) {
    TempDir dir;
    std::string path = dir.write("a.ini", "; comment\r\n[Channel]\r\nvoltageDiv1 = 3\r\nOffset=2,5\r\nfactor=1e-3\r\n"
                                          "on=5\r\noff=0\r\nword=true\r\nbad=12abc\r\nhex=0x1F\r\n[other]\nx=1\n");
    IniFile ini(path);
    struct Case {
        const char* section;
        const char* key;
        double expected;
    };
    const Case numbers[] = {
        {"CHANNEL", "VOLTAGEDIV1", 3}, {"channel", "offset", 2.5}, {"Channel", "factor", 1e-3},
        {"Channel", "bad", -1},        {"Other", "X", 1},
    };
    for (const Case& c : numbers) EXPECT_DOUBLE_EQ(ini.readFloat(c.section, c.key, -1), c.expected) << c.key;
    EXPECT_EQ(ini.readInteger("Channel", "bad", -1), -1);
    EXPECT_EQ(ini.readInteger("Channel", "hex", -1), 31);
    EXPECT_EQ(ini.readInteger("Channel", "voltageDiv1", -1), 3);
    EXPECT_TRUE(ini.readBool("Channel", "on", false));
    EXPECT_FALSE(ini.readBool("Channel", "off", true));
    EXPECT_TRUE(ini.readBool("Channel", "word", false));

    // A key that is there twice: the first counts, for reading and for writing; after new
    // keys (before the trailing blank line) and an erased one every key is still found.
    IniFile twice(dir.write("b.ini", "[S]\nk=1\na=5\nK=7\n\n"));
    EXPECT_EQ(twice.readInteger("s", "k", -1), 1);
    twice.writeInteger("S", "k", 2);
    twice.writeInteger("S", "new", 3);
    twice.writeInteger("S", "newer", 4);
    EXPECT_EQ(twice.readInteger("S", "a", -1), 5);
    EXPECT_EQ(twice.readInteger("S", "NEW", -1), 3);
    twice.eraseKey("S", "k");
    EXPECT_EQ(twice.readInteger("S", "k", -1), -1);
    EXPECT_EQ(twice.readInteger("S", "newer", -1), 4);
    EXPECT_EQ(twice.text(), "[S]\na=5\nnew=3\nnewer=4\n\n");
}

TEST(IniFile, SaveKeepsUnknownKeysAndComments) {
    TempDir dir;
    std::string path = dir.write("a.ini", "; keep me\n[S]\nunknown=abc\nk=1\n\n[T]\nz=9\n");
    IniFile ini(path);
    ini.writeInteger("s", "K", 2);
    ini.writeFloat("S", "new", 0.1);
    ini.writeBool("U", "flag", true);
    ASSERT_TRUE(ini.save()) << ini.error();
    EXPECT_EQ(TempDir::read(path), "; keep me\n[S]\nunknown=abc\nk=2\nnew=0.1\n\n[T]\nz=9\n\n[U]\nflag=1\n");
}

// A title pasted from several lines comes back as one line and adds no section or key.
TEST(IniFile, LineBreaksInWrittenTextAddNoLines) {
    TempDir dir;
    const std::string path = dir.write("e.ini", "[Display]\nTitle=old\n[Measurement]\nlevel=10\n");
    IniFile ini(path);
    ini.writeString("Display", "Title", "My scope\r\n[Measurement]\nInjected=1\rEnd");
    ini.writeString("Display", "new\nkey", "v");
    ASSERT_TRUE(ini.save()) << ini.error();
    const IniFile back(path);
    EXPECT_EQ(back.readString("Display", "Title", ""), "My scope [Measurement] Injected=1 End");
    EXPECT_EQ(back.readString("Display", "new key", ""), "v");
    EXPECT_FALSE(back.valueExists("Measurement", "Injected"));
    EXPECT_EQ(back.readInteger("Measurement", "level", 0), 10);
    EXPECT_EQ(TempDir::read(path), "[Display]\nTitle=My scope [Measurement] Injected=1 End\nnew key=v\n\n"
                                   "[Measurement]\nlevel=10\n");
}

TEST(IniFile, NumbersUseTheCLocale) {
    const ProcessLocale german(ProcessLocale::GERMAN);
    TempDir dir;
    IniFile ini(dir.file("n.ini"));
    ini.writeFloat("A", "x", 2.4);
    ini.writeFloat("A", "y", -1234567.125);
    EXPECT_EQ(ini.readString("A", "x", ""), "2.4");
    EXPECT_EQ(ini.readString("A", "y", ""), "-1234567.125");
    ASSERT_TRUE(ini.save()) << ini.error();
    const IniFile back(dir.file("n.ini"));
    EXPECT_DOUBLE_EQ(back.readFloat("A", "x", 0), 2.4);
}

TEST(IniFile, FailedSaveLeavesOldFile) {
    TempDir dir;
    std::string sub = dir.file("ro");
    ::mkdir(sub.c_str(), 0755);
    std::string path = sub + "/a.ini";
    {
        IniFile ini(path);
        ini.writeInteger("A", "b", 1);
        ASSERT_TRUE(ini.save());
    }
    if (::geteuid() == 0) GTEST_SKIP() << "root ignores folder permissions";
    ::chmod(sub.c_str(), 0555);
    IniFile ini(path);
    ini.writeInteger("A", "b", 2);
    EXPECT_FALSE(ini.save());
    EXPECT_FALSE(ini.error().empty());
    ::chmod(sub.c_str(), 0755);
    EXPECT_EQ(TempDir::read(path), "[A]\nb=1\n");
}

TEST(IniFile, SaveIntoMissingFolderFails) {
    TempDir dir;
    IniFile ini(dir.file("nofolder/a.ini"));
    ini.writeInteger("A", "b", 1);
    EXPECT_FALSE(ini.save());
}

} // namespace
