#include "atomic_file.h"
#include "ini_file.h"

#include "temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

unsigned modeOf(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0xFFFFFFFFu;
}

std::vector<std::string> namesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class UmaskScope {
public:
    explicit UmaskScope(mode_t mask) : d_old(::umask(mask)) {}
    ~UmaskScope() { ::umask(d_old); }

private:
    mode_t d_old;
};

TEST(AtomicFile, KilledSaveKeepsTheOldFileAndTheNextSaveClearsItsTemporary) {
    TempDir dir;
    const std::string path = dir.write("state.ini", "old");
    // Names the clean-up must leave alone: another file's temporary, a name that is not of
    // the pattern, and a link of the pattern (it could point anywhere).
    dir.write("other.ini.tmpAbCdEf", "x");
    dir.write("state.ini.tmpAbC", "x");
    const std::string elsewhere = dir.write("elsewhere", "keep");
    fs::create_symlink(elsewhere, dir.file("state.ini.tmpLnK123"));
    // What libzip leaves when killed while it writes our temporary: removed by the next save.
    dir.write("state.ini.tmpQwErTy.a1B2c3", "x");

    // Killed after the temporary is written and before the rename.
    EXPECT_EXIT(
        {
            setReplaceHook([](const std::string&, const std::string&) { ::_exit(7); });
            atomicWriteFile(path, "new");
        },
        ::testing::ExitedWithCode(7), "");
    EXPECT_EQ(TempDir::read(path), "old");
    std::vector<std::string> left;
    for (const std::string& name : namesIn(dir.path()))
        if (name.rfind("state.ini.tmp", 0) == 0 && name.size() == std::string("state.ini.tmpXXXXXX").size() &&
            name != "state.ini.tmpLnK123")
            left.push_back(name);
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(TempDir::read(dir.file(left[0])), "new");

    ASSERT_TRUE(atomicWriteFile(path, "newer"));
    EXPECT_EQ(TempDir::read(path), "newer");
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"elsewhere", "other.ini.tmpAbCdEf", "state.ini",
                                                             "state.ini.tmpAbC", "state.ini.tmpLnK123"}));
    EXPECT_EQ(TempDir::read(elsewhere), "keep");

    // A rename that fails (the name taken by a folder just before it): false with the reason,
    // and no temporary left behind.
    setReplaceHook([&](const std::string&, const std::string& target) {
        fs::remove(target);
        fs::create_directories(target + "/inside");
    });
    std::string error;
    EXPECT_FALSE(atomicWriteFile(path, "lost", &error));
    setReplaceHook(nullptr);
    EXPECT_NE(error.find("cannot replace " + path), std::string::npos) << error;
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"elsewhere", "other.ini.tmpAbCdEf", "state.ini",
                                                             "state.ini.tmpAbC", "state.ini.tmpLnK123"}));
    EXPECT_TRUE(fs::is_directory(path));
}

TEST(AtomicFile, ReplacedFileKeepsItsModeAndNewFileFollowsTheUmask) {
    struct Case {
        mode_t umask;
        int former; // -1: no file yet
        unsigned expected;
    } cases[] = {
        {022, -1, 0644}, {077, -1, 0600}, {002, -1, 0664}, {022, 0600, 0600}, {077, 0664, 0664}, {022, 0640, 0640},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const std::string path = dir.file("file");
        if (c.former >= 0) {
            dir.write("file", "old");
            ::chmod(path.c_str(), static_cast<mode_t>(c.former));
        }
        UmaskScope mask(c.umask);
        ASSERT_TRUE(atomicWriteFile(path, "new"));
        EXPECT_EQ(modeOf(path), c.expected) << std::oct << "umask " << c.umask << " former " << c.former;
        EXPECT_EQ(TempDir::read(path), "new");
    }
}

TEST(AtomicFile, SaveThroughALinkReplacesItsTargetAndKeepsTheLink) {
    TempDir dir;
    fs::create_directory(dir.file("real"));
    const std::string target = dir.write("real/state.ini", "[a]\nx=1\n");
    ::chmod(target.c_str(), 0600);
    fs::create_symlink("real/state.ini", dir.file("relative.ini")); // relative to the link's folder
    fs::create_symlink(dir.file("relative.ini"), dir.file("chain.ini"));
    fs::create_symlink("real/new.ini", dir.file("dangling.ini"));

    for (const char* link : {"relative.ini", "chain.ini"}) {
        IniFile ini(dir.file(link));
        ini.writeInteger("a", "x", 2);
        ASSERT_TRUE(ini.save()) << ini.error();
        EXPECT_TRUE(fs::is_symlink(dir.file(link))) << link;
        EXPECT_EQ(TempDir::read(target), "[a]\nx=2\n") << link;
        EXPECT_EQ(modeOf(target), 0600u) << link;
        ASSERT_TRUE(atomicWriteFile(dir.file(link), "[a]\nx=1\n"));
    }
    ASSERT_TRUE(atomicWriteFile(dir.file("dangling.ini"), "made"));
    EXPECT_TRUE(fs::is_symlink(dir.file("dangling.ini")));
    EXPECT_EQ(TempDir::read(dir.file("real/new.ini")), "made");
}

TEST(AtomicFile, ReadersRefuseFilesAboveTheirCap) {
    TempDir dir;
    const std::string atCap = dir.write("at", std::string(IniFile::MAX_FILE_SIZE, ';'));
    const std::string overCap = dir.write("over", std::string(IniFile::MAX_FILE_SIZE + 1, ';'));
    std::string bytes;
    EXPECT_EQ(readWholeFile(atCap, IniFile::MAX_FILE_SIZE, bytes), 0);
    EXPECT_EQ(bytes.size(), IniFile::MAX_FILE_SIZE);
    EXPECT_EQ(readWholeFile(overCap, IniFile::MAX_FILE_SIZE, bytes), EFBIG);
    EXPECT_TRUE(bytes.empty());
    EXPECT_EQ(readWholeFile(dir.file("missing"), 100, bytes), ENOENT);
    EXPECT_EQ(readWholeFile(dir.path(), 100, bytes), EISDIR);
    // A device or a named pipe is refused at once: a pipe without writer would block.
    EXPECT_EQ(readWholeFile("/dev/zero", 100, bytes), kNotRegularFile);
    ASSERT_EQ(::mkfifo(dir.file("pipe").c_str(), 0600), 0);
    EXPECT_EQ(readWholeFile(dir.file("pipe"), 100, bytes), kNotRegularFile);
    const IniFile pipe(dir.file("pipe"));
    EXPECT_FALSE(pipe.loadedOk());
    EXPECT_NE(pipe.error().find("not a regular file"), std::string::npos) << pipe.error();

    EXPECT_TRUE(IniFile(atCap).loadedOk());
    const IniFile big(overCap);
    EXPECT_FALSE(big.loadedOk());
    EXPECT_NE(big.error().find("larger than 1 MB"), std::string::npos) << big.error();
}

} // namespace
