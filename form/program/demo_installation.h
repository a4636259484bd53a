#pragma once
// The demo installation of the installed program (--demo): the simulated instrument, with a
// registry file and main directory of its own under $XDG_DATA_HOME/velmora2/demo, so that a
// user without an instrument can try the program and his own settings stay untouched.

#include <string>

// Makes the demo's folders (mode 0700) and, when missing, its registry file and first state
// file, then has the kernel read that registry file (SystemRegistry::useRegistryFile); the
// environment is left alone, so the programs this one starts (the desktop's opener, a viewer)
// keep the user's own configuration. The demo firmware is looked for in
// `programDir`/../share/velmora2/demo (the installed package), else in the source tree.
// False, with the reason on stderr, when a folder or file cannot be made.
bool useDemoInstallation(const std::string& programDir);
