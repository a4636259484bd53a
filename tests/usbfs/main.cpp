// The tests reach the simulated instrument through libusb and usbfs, which only umockdev's
// preload library can show them: a run outside it starts itself again under
// umockdev-wrapper.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

int main(int argc, char** argv) {
    const char* preload = std::getenv("LD_PRELOAD");
    if (!preload || !std::strstr(preload, "libumockdev-preload")) {
        std::vector<char*> args;
        args.push_back(const_cast<char*>("umockdev-wrapper"));
        for (int i = 0; i < argc; ++i) args.push_back(argv[i]);
        args.push_back(nullptr);
#if defined(__SANITIZE_ADDRESS__)
        // The preload library comes before the sanitizer's runtime; that is harmless here.
        const char* asan = std::getenv("ASAN_OPTIONS");
        const std::string options =
            std::string(asan ? asan : "") + (asan && *asan ? ":" : "") + "verify_asan_link_order=0";
        ::setenv("ASAN_OPTIONS", options.c_str(), 1);
#endif
        ::execvp(args[0], args.data());
        std::perror("umockdev-wrapper (Debian package umockdev)");
        return 1;
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
