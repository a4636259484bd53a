#include "instance_lock.h"

#include "lock_holder.h"
#include "scoped_env.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

namespace {

TEST(InstanceLock, SecondProcessIsRefusedUntilTheFirstEnds) {
    TempDir dir;
    const std::string path = dir.file("DSO_Program.lock");
    LockHolderProcess first(path);
    ASSERT_TRUE(first.acquired());

    InstanceLock second(path);
    EXPECT_EQ(second.acquire(), InstanceLock::Result::HeldElsewhere);
    EXPECT_FALSE(second.held());

    // The holder dies without releasing; its file stays, but the lock went with it.
    first.kill();
    EXPECT_EQ(second.acquire(), InstanceLock::Result::Acquired);
    EXPECT_TRUE(second.held());
}

TEST(InstanceLock, HolderRefusesAnotherProcessAndReleasesOnRequest) {
    TempDir dir;
    const std::string path = dir.file("DSO_Program.lock");
    InstanceLock mine(path);
    ASSERT_EQ(mine.acquire(), InstanceLock::Result::Acquired);
    EXPECT_EQ(mine.acquire(), InstanceLock::Result::Acquired); // again: still ours
    {
        LockHolderProcess other(path);
        EXPECT_FALSE(other.acquired());
    }
    mine.release();
    LockHolderProcess other(path);
    EXPECT_TRUE(other.acquired());
}

TEST(InstanceLock, TwoOpensInOneProcessConflict) {
    TempDir dir;
    InstanceLock a(dir.file("x.lock"));
    InstanceLock b(dir.file("x.lock"));
    ASSERT_EQ(a.acquire(), InstanceLock::Result::Acquired);
    EXPECT_EQ(b.acquire(), InstanceLock::Result::HeldElsewhere);
}

TEST(InstanceLock, UnopenableFileFailsWithAReason) {
    TempDir dir;
    InstanceLock lock(dir.file("no/such/folder/x.lock"));
    EXPECT_EQ(lock.acquire(), InstanceLock::Result::Failed);
    EXPECT_NE(lock.error().find("no/such/folder"), std::string::npos);
    EXPECT_FALSE(lock.held());
}

TEST(InstanceLock, DefaultPathIsInAFolderOnlyThisUserCanChange) {
    TempDir dir;
    const std::string runtime = dir.file("runtime");
    const std::string shared = dir.file("shared");
    std::filesystem::create_directory(runtime);
    std::filesystem::create_directory(shared);
    ::chmod(runtime.c_str(), 0700);
    ::chmod(shared.c_str(), 01777); // like /tmp: anyone may plant a file there
    const std::string cache = dir.file("cache");
    ScopedEnv cacheHome("XDG_CACHE_HOME", cache.c_str());
    const std::string cached = cache + "/velmora2/DSO_Program.lock";
    struct Case {
        const char* runtime; // null: unset
        std::string expected;
    } cases[] = {
        {runtime.c_str(), runtime + "/DSO_Program.lock"},
        {nullptr, cached},
        {"", cached},
        {"/no/such/runtime/folder", cached},
        {shared.c_str(), cached},
    };
    for (const Case& c : cases) {
        ScopedEnv env("XDG_RUNTIME_DIR", c.runtime);
        EXPECT_EQ(InstanceLock::defaultPath("DSO_Program"), c.expected) << (c.runtime ? c.runtime : "(unset)");
    }
    struct stat st {};
    ASSERT_EQ(::stat((cache + "/velmora2").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

// Needs a file of another owner: only a test run as root can make one.
TEST(InstanceLock, LockFileOfAnotherUserIsRefused) {
    if (::geteuid() != 0) GTEST_SKIP() << "cannot make a file of another user";
    TempDir dir;
    const std::string path = dir.write("DSO_Program.lock", "");
    ::chmod(path.c_str(), 0666);
    ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
    InstanceLock lock(path);
    EXPECT_EQ(lock.acquire(), InstanceLock::Result::Failed);
    EXPECT_NE(lock.error().find("another user"), std::string::npos) << lock.error();
    EXPECT_FALSE(lock.held());

    // A runtime folder of another user is passed over too.
    const std::string runtime = dir.file("runtime");
    std::filesystem::create_directory(runtime);
    ::chmod(runtime.c_str(), 0700);
    ASSERT_EQ(::chown(runtime.c_str(), 65534, 65534), 0);
    ScopedEnv env("XDG_RUNTIME_DIR", runtime.c_str());
    ScopedEnv cache("XDG_CACHE_HOME", dir.file("cache").c_str());
    EXPECT_EQ(InstanceLock::defaultPath("DSO_Program"), dir.file("cache") + "/velmora2/DSO_Program.lock");
}

} // namespace
