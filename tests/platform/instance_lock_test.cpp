#include "instance_lock.h"

#include "lock_holder.h"
#include "scoped_env.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
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

TEST(InstanceLock, DefaultPathPrefersTheRuntimeFolder) {
    TempDir dir;
    const std::string runtime = dir.path();
    const std::string uidTmp = "/tmp/DSO_Program-" + std::to_string(::getuid()) + ".lock";
    struct Case {
        const char* runtime; // null: unset
        std::string expected;
    } cases[] = {
        {runtime.c_str(), dir.file("DSO_Program.lock")},
        {nullptr, uidTmp},
        {"", uidTmp},
        {"/no/such/runtime/folder", uidTmp},
    };
    for (const Case& c : cases) {
        ScopedEnv env("XDG_RUNTIME_DIR", c.runtime);
        EXPECT_EQ(InstanceLock::defaultPath("DSO_Program"), c.expected) << (c.runtime ? c.runtime : "(unset)");
    }
}

} // namespace
