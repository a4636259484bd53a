#include "home_folder.h"

#include <cstdlib>

#include <pwd.h>
#include <unistd.h>

std::string homeFolder() {
    const char* home = std::getenv("HOME");
    if (home && *home) return home;
    const passwd* pw = ::getpwuid(::geteuid());
    return pw && pw->pw_dir ? pw->pw_dir : "";
}
