#include "demo_installation.h"
#include "scoped_env.h"
#include "system_registry.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

// The demo's registry file is the kernel's choice alone: the desktop's opener and viewers
// started from the program keep the user's folders (a German user's ~/Dokumente comes from
// his own user-dirs.dirs).
TEST(DemoInstallation, IsChosenInsideTheProgramNotThroughTheEnvironment) {
    TempDir dir;
    const std::string userConfig = dir.file("home/.config");
    ScopedEnv home("HOME", dir.file("home").c_str());
    ScopedEnv data("XDG_DATA_HOME", dir.file("data").c_str());
    ScopedEnv config("XDG_CONFIG_HOME", userConfig.c_str());
    ASSERT_TRUE(useDemoInstallation(dir.file("bin")));
    EXPECT_EQ(std::string(std::getenv("XDG_CONFIG_HOME")), userConfig);

    SystemRegistry registry;
    ASSERT_TRUE(registry.read());
    SystemRegistry::useRegistryFile("");
    EXPECT_EQ(registry.getRegistryPath(), dir.file("data/velmora2/demo/config/velmora2/registry.ini"));
    EXPECT_STREQ(registry.getMainDirectory(), dir.file("data/velmora2/demo/main").c_str());
    EXPECT_TRUE(registry.usesSimulator());
}

} // namespace
