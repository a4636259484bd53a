// The registry file of an installation: the values, the paths built from them and where
// the file is looked for.

#include "system_registry.h"
#include "temp_dir.h"
#include "trevan_error.h"
#include "usb_backend_factory.h"

#include "libusb_backend.h"
#include "simulated_bus.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

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
        {"graphicmode=DirectX\n", 0}, {"graphicmode=DirectX-system graphic\n", 1}, {"graphicmode=GDI\n", 2},
        {"graphicmode=gdi\n", 0},     {"graphicmode=\n", 0},                       {"", 0},
        {"graphicmode=OpenGL\n", 0},
    };
    for (const auto& [line, mode] : cases) {
        TempDir dir;
        SystemRegistry registry(dir.write("r.ini", std::string("[Velmora2]\nmainDirectory=/a\nfirmwareDirectory=/b\n") + line));
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
        {"mainDirectory=" + longDirectory + "\nfirmwareDirectory=/b\n", "Error : Can't find TrevanA Path from the registry\n"},
        {"mainDirectory=/a\nfirmwareDirectory=" + longDirectory + "\n", "Error : Can't find firmware path from the registry\n"},
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
    SystemRegistry registry(dir.write("sim.ini", "[Velmora2]\nmainDirectory=/a\nfirmwareDirectory=/b\nusbBackend=simulator\n"));
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
