#pragma once
// An environment variable set (or unset, for a null value) for one scope, restored after.

#include <cstdlib>
#include <string>

class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : d_name(name) {
        const char* old = std::getenv(name);
        d_had = old != nullptr;
        if (old) d_old = old;
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnv() {
        if (d_had)
            ::setenv(d_name, d_old.c_str(), 1);
        else
            ::unsetenv(d_name);
    }

private:
    const char* d_name;
    std::string d_old;
    bool d_had = false;
};
