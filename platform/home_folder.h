#pragma once
// The user's home folder: $HOME, else the home folder of the user's password entry (a
// service, "env -i" or sudo may leave HOME unset); empty when neither is known.

#include <string>

std::string homeFolder();
