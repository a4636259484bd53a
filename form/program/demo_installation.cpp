#include "demo_installation.h"

#include "atomic_file.h"
#include "system_registry.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include <sys/stat.h>

namespace {

bool fail(const std::string& what, const std::string& why) {
    std::fprintf(stderr, "velmora2: the demo installation cannot be made: %s: %s\n", what.c_str(), why.c_str());
    return false;
}

// `dir` and its missing parents, private to the user.
bool makeFolders(const std::string& dir) {
    for (std::size_t at = dir.find('/', 1);; at = dir.find('/', at + 1)) {
        const std::string part = dir.substr(0, at);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return fail(part, std::strerror(errno));
        if (at == std::string::npos) return true;
    }
}

std::string demoFirmwareDirectory(const std::string& programDir) {
    const std::filesystem::path installed = std::filesystem::path(programDir) / "../share/velmora2/demo";
    std::error_code ec;
    if (std::filesystem::exists(installed / "trevan.hex", ec))
        return std::filesystem::weakly_canonical(installed, ec).string();
    return VELMORA2_SOURCE_FIRMWARE_DIR;
}

// Both channels of the simulated instrument at 1 ms/div on the first start.
constexpr const char* kFirstState = "[CHANNEL]\nchannelOnOff1=1\nchannelOnOff2=1\nvoltageOffset1=300\n"
                                    "voltageOffset2=100\ntriggerOffset1=300\ntriggerOffset2=100\n"
                                    "[HORIZONTAL]\ntimeDiv=17\n[DISPLAY]\nlineJoinMode=2\n";

bool writeWhenMissing(const std::string& path, const std::string& content) {
    std::error_code ec;
    if (std::filesystem::exists(path, ec)) return true;
    std::string error;
    return atomicWriteFile(path, content, &error) || fail(path, error);
}

} // namespace

bool useDemoInstallation(const std::string& programDir) {
    const std::string base = SystemRegistry::expandDirectory("$XDG_DATA_HOME/velmora2/demo");
    if (base.empty() || base.front() != '/') return fail(base, "no home folder");
    const std::string config = base + "/config";
    const std::string main = base + "/main";
    if (!makeFolders(config + "/velmora2") || !makeFolders(main)) return false;
    const std::string registry = "[Velmora2]\nmainDirectory=" + main +
                                 "\nfirmwareDirectory=" + demoFirmwareDirectory(programDir) +
                                 "\ngraphicmode=GDI\nusbBackend=simulator\n"
                                 // A tester's flaky cable, off until asked for (README).
                                 "[Simulator]\nglitchEvery=0\nglitchKind=0\nunplugEveryMs=0\nunplugBackAfterMs=1000\n";
    if (!writeWhenMissing(config + "/velmora2/registry.ini", registry)) return false;
    if (!writeWhenMissing(main + "/state.ini", kFirstState)) return false;
    SystemRegistry::useRegistryFile(config + "/velmora2/registry.ini");
    return true;
}
