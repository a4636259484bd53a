// The registry file of an installation: the values, the paths built from them and where
// the file is looked for.

#include "ini_file.h"
#include "scoped_env.h"
#include "system_registry.h"
#include "temp_dir.h"
#include "trevan_error.h"
#include "usb_backend_factory.h"

#include "libusb_backend.h"
#include "simulated_bus.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include <string>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

TEST(SystemRegistry, PathsAreBuiltFromTheDirectories) {
    TempDir dir;
    const std::string path = dir.write("registry.ini", "[Velmora2]\nmainDirectory=/opt/velmora2\n"
                                                       "firmwareDirectory=/opt/velmora2/fw\ngraphicmode=GDI\n");
    SystemRegistry registry(path);
    ASSERT_TRUE(registry.read());
    EXPECT_STREQ(registry.getMainDirectory(), "/opt/velmora2");
    EXPECT_STREQ(registry.getStatePath(), "/opt/velmora2/state.ini");
    EXPECT_STREQ(registry.getCalibrationPath(), "/opt/velmora2/calibration.ini");
    EXPECT_STREQ(registry.getEnvironmentPath(), "/opt/velmora2/environment.ini");
    EXPECT_STREQ(registry.getAdvancedTriggerPath(), "/opt/velmora2/brisane.ini");
    EXPECT_STREQ(registry.getFirmwarePath(), "/opt/velmora2/fw/trevan.hex");
    EXPECT_EQ(registry.getGraphicMode(), 2);
    EXPECT_FALSE(registry.usesSimulator());
    EXPECT_EQ(registry.getRegistryPath(), path);
}

TEST(SystemRegistry, GraphicModes) {
    const std::pair<const char*, int> cases[] = {
        {"graphicmode=DirectX\n", 0}, {"graphicmode=DirectX-system graphic\n", 1},
        {"graphicmode=GDI\n", 2},     {"graphicmode=gdi\n", 0},
        {"graphicmode=\n", 0},        {"", 0},
        {"graphicmode=OpenGL\n", 0},
    };
    for (const auto& [line, mode] : cases) {
        TempDir dir;
        SystemRegistry registry(
            dir.write("r.ini", std::string("[Velmora2]\nmainDirectory=/a\nfirmwareDirectory=/b\n") + line));
        ASSERT_TRUE(registry.read()) << line;
        EXPECT_EQ(registry.getGraphicMode(), mode) << line;
    }
}

TEST(SystemRegistry, MissingOrOverlongDirectories) {
    const std::string longDirectory = "/" + std::string(250, 'x');
    const std::pair<std::string, const char*> cases[] = {
        {"", "Error : Can't find TrevanA Path from the registry\n"},
        {"firmwareDirectory=/b\n", "Error : Can't find TrevanA Path from the registry\n"},
        {"mainDirectory=/a\n", "Error : Can't find firmware path from the registry\n"},
        {"mainDirectory=/a\nfirmwareDirectory=\n", "Error : Can't find firmware path from the registry\n"},
        {"mainDirectory=" + longDirectory + "\nfirmwareDirectory=/b\n",
         "Error : Can't find TrevanA Path from the registry\n"},
        {"mainDirectory=/a\nfirmwareDirectory=" + longDirectory + "\n",
         "Error : Can't find firmware path from the registry\n"},
    };
    for (const auto& [values, error] : cases) {
        TempDir dir;
        get_error_text();
        SystemRegistry registry(dir.write("r.ini", "[Velmora2]\n" + values));
        EXPECT_FALSE(registry.read()) << values;
        EXPECT_STREQ(get_error_text(), error) << values;
    }
    // A missing file is a registry without values.
    TempDir dir;
    SystemRegistry registry(dir.file("none.ini"));
    EXPECT_FALSE(registry.read());
    EXPECT_STREQ(get_error_text(), "Error : Can't find TrevanA Path from the registry\n");
}

TEST(SystemRegistry, TheSystemFileNamesEachUsersOwnMainDirectory) {
    TempDir dir;
    const ScopedEnv home("HOME", dir.path().c_str());
    const std::string registry = dir.write("r.ini", "[Velmora2]\nmainDirectory=$XDG_DATA_HOME/velmora2\n"
                                                    "firmwareDirectory=/usr/lib/firmware/velmora2\n");
    struct Case {
        const char* xdgDataHome;
        std::string main;
    };
    for (const Case& c : {Case{nullptr, dir.path() + "/.local/share/velmora2"},
                          Case{"relative", dir.path() + "/.local/share/velmora2"}, // ignored by the XDG rules
                          Case{"/data", "/data/velmora2"}}) {
        const ScopedEnv data("XDG_DATA_HOME", c.xdgDataHome);
        SystemRegistry r(registry);
        ASSERT_TRUE(r.read());
        EXPECT_EQ(std::string(r.getMainDirectory()), c.main);
        EXPECT_EQ(std::string(r.getStatePath()), c.main + "/state.ini");
    }
    EXPECT_EQ(SystemRegistry::expandDirectory("~/scope"), dir.path() + "/scope");
    EXPECT_EQ(SystemRegistry::expandDirectory("/opt/$XDG_DATA_HOME"), "/opt/$XDG_DATA_HOME");
    EXPECT_EQ(SystemRegistry::expandDirectory("$XDG_DATA_HOMEX"), "$XDG_DATA_HOMEX");

    // The first start makes the folder, private to the user, with its parents.
    const ScopedEnv data("XDG_DATA_HOME", nullptr);
    SystemRegistry first(registry);
    ASSERT_TRUE(first.read());
    EXPECT_TRUE(first.prepareMainDirectory().empty());
    struct stat st {};
    ASSERT_EQ(::stat(first.getMainDirectory(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST(SystemRegistry, AMainDirectoryOrSettingsFileThatCannotBeUsedIsToldAtStart) {
    TempDir dir;
    std::filesystem::create_directories(dir.file("main"));
    dir.write("plain", "");
    struct Case {
        std::string main;
        const char* told; // empty: nothing to tell
    };
    const bool root = ::geteuid() == 0;
    const Case cases[] = {
        {dir.file("main"), ""},
        {"relative/main", "cannot be used: it is not an absolute path"},
        {dir.file("plain"), "cannot be used: it is not a directory"},
        {dir.file("plain/sub"), "cannot be used: Not a directory"},
        {"/proc/velmora2", "cannot be used: cannot make it"},
    };
    for (const Case& c : cases) {
        SystemRegistry r(dir.write("r.ini", "[Velmora2]\nmainDirectory=" + c.main + "\nfirmwareDirectory=/f\n"));
        ASSERT_TRUE(r.read()) << c.main;
        const auto texts = r.prepareMainDirectory();
        EXPECT_EQ(r.savesSettings(), *c.told == 0) << c.main;
        if (*c.told == 0) {
            EXPECT_TRUE(texts.empty()) << c.main;
            continue;
        }
        ASSERT_EQ(texts.size(), 1u) << c.main;
        EXPECT_NE(texts[0].find("The main directory " + c.main + " " + c.told), std::string::npos) << texts[0];
    }

    // A read-only main directory (root writes anywhere).
    SystemRegistry r(dir.write("r.ini", "[Velmora2]\nmainDirectory=" + dir.file("main") + "\nfirmwareDirectory=/f\n"));
    ASSERT_TRUE(r.read());
    if (!root) {
        ::chmod(dir.file("main").c_str(), 0555);
        const auto texts = r.prepareMainDirectory();
        ::chmod(dir.file("main").c_str(), 0755);
        ASSERT_EQ(texts.size(), 1u);
        EXPECT_EQ(texts[0], "The main directory " + dir.file("main") +
                                " cannot be used: Permission denied. Settings will not be saved.");
    }

    // Settings files that exist but cannot be read: each named with its reason.
    dir.write("main/environment.ini", std::string(IniFile::MAX_FILE_SIZE + 1, ';'));
    std::filesystem::create_directory(dir.file("main/calibration.ini"));
    dir.write("main/state.ini", "[CHANNEL]\n");
    const auto texts = r.prepareMainDirectory();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0], "Settings file not read: cannot read " + dir.file("main/calibration.ini") +
                            ": Is a directory. It is not used and not saved over.");
    EXPECT_EQ(texts[1], "Settings file not read: " + dir.file("main/environment.ini") +
                            " is not a settings file: it is larger than 1 MB. It is not used and not saved over.");
}

class RegistryLocation : public ::testing::Test {
protected:
    void SetUp() override {
        saveVariable("XDG_CONFIG_HOME", d_xdg, d_hadXdg);
        saveVariable("HOME", d_home, d_hadHome);
    }
    void TearDown() override {
        restore("XDG_CONFIG_HOME", d_xdg, d_hadXdg);
        restore("HOME", d_home, d_hadHome);
    }

private:
    static void saveVariable(const char* name, std::string& value, bool& had) {
        const char* v = std::getenv(name);
        had = v != nullptr;
        value = v ? v : "";
    }
    static void restore(const char* name, const std::string& value, bool had) {
        if (had) {
            setenv(name, value.c_str(), 1);
        } else {
            unsetenv(name);
        }
    }
    std::string d_xdg, d_home;
    bool d_hadXdg = false, d_hadHome = false;
};

TEST_F(RegistryLocation, UserFileByTheXdgRulesElseTheSystemFile) {
    TempDir dir;
    setenv("XDG_CONFIG_HOME", dir.path().c_str(), 1);
    EXPECT_EQ(SystemRegistry::userRegistryPath(), dir.path() + "/velmora2/registry.ini");
    setenv("XDG_CONFIG_HOME", "", 1);
    setenv("HOME", "/home/someone", 1);
    EXPECT_EQ(SystemRegistry::userRegistryPath(), "/home/someone/.config/velmora2/registry.ini");
    // Without HOME (a service, "env -i"): the password entry's home, never the root.
    unsetenv("HOME");
    const passwd* pw = getpwuid(geteuid());
    ASSERT_NE(pw, nullptr);
    EXPECT_EQ(SystemRegistry::userRegistryPath(), std::string(pw->pw_dir) + "/.config/velmora2/registry.ini");
    {
        ScopedEnv data("XDG_DATA_HOME", nullptr);
        EXPECT_EQ(SystemRegistry::expandDirectory("$XDG_DATA_HOME/velmora2"),
                  std::string(pw->pw_dir) + "/.local/share/velmora2");
    }

    setenv("XDG_CONFIG_HOME", dir.path().c_str(), 1);
    SystemRegistry withoutFile;
    withoutFile.read();
    EXPECT_EQ(withoutFile.getRegistryPath(), SystemRegistry::systemRegistryPath());

    std::filesystem::create_directories(dir.path() + "/velmora2");
    dir.write("velmora2/registry.ini", "[Velmora2]\nmainDirectory=/m\nfirmwareDirectory=/f\n");
    SystemRegistry withFile;
    EXPECT_TRUE(withFile.read());
    EXPECT_EQ(withFile.getRegistryPath(), dir.path() + "/velmora2/registry.ini");
    EXPECT_STREQ(withFile.getMainDirectory(), "/m");
}

TEST(UsbBackendFactory, WhoeverStartsTheKernelChoosesTheBackend) {
    TempDir dir;
    // The kernel itself never reads "usbBackend": without a factory it is libusb.
    SystemRegistry registry(
        dir.write("sim.ini", "[Velmora2]\nmainDirectory=/a\nfirmwareDirectory=/b\nusbBackend=simulator\n"));
    ASSERT_TRUE(registry.read());
    EXPECT_NE(dynamic_cast<LibusbBackend*>(createUsbBackend(registry).get()), nullptr);

    // A factory set by the starter wins; an empty one restores libusb.
    auto mine = std::make_shared<SimulatedBus>();
    setUsbBackendFactory([mine](const SystemRegistry&) { return mine; });
    EXPECT_EQ(createUsbBackend(registry), mine);
    setUsbBackendFactory(nullptr);
    EXPECT_NE(dynamic_cast<LibusbBackend*>(createUsbBackend(registry).get()), nullptr);
}

} // namespace
