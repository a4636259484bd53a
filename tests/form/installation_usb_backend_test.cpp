#include "installation_usb_backend.h"
#include "system_registry.h"
#include "temp_dir.h"

#include "libusb_backend.h"
#include "simulated_bus.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(InstallationUsbBackend, TheRegistryChoosesTheBackend) {
    TempDir dir;
    const std::string simulated =
        dir.write("sim.ini", "[Velmora2]\nmainDirectory=/a\nfirmwareDirectory=/b\nusbBackend=simulator\n"
                             "[Simulator]\nhardwareVersion=2\nprogrammed=1\ndevices=2\nrealTime=0\n");
    SystemRegistry registry(simulated);
    ASSERT_TRUE(registry.read());
    EXPECT_TRUE(registry.usesSimulator());
    auto backend = installationUsbBackend(registry);
    auto* bus = dynamic_cast<SimulatedBus*>(backend.get());
    ASSERT_NE(bus, nullptr);
    EXPECT_EQ(bus->config().hardwareVersion, 2);
    EXPECT_EQ(bus->enumerate(0x0DA8, 0x0001).size(), 2u);

    SystemRegistry real(dir.write("real.ini", "[Velmora2]\nmainDirectory=/a\nfirmwareDirectory=/b\n"));
    ASSERT_TRUE(real.read());
    EXPECT_NE(dynamic_cast<LibusbBackend*>(installationUsbBackend(real).get()), nullptr);
}

} // namespace
