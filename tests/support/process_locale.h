#pragma once
// The whole process in another locale for one scope, then back. A locale that cannot be
// set, or one without a decimal comma where one is expected, fails the test: a locale test
// that silently runs in "C" proves nothing (scripts/install-deps.sh generates de_DE.UTF-8).

#include <gtest/gtest.h>

#include <clocale>
#include <string>

class ProcessLocale {
public:
    static constexpr const char* GERMAN = "de_DE.UTF-8";

    explicit ProcessLocale(const char* name) {
        const char* old = std::setlocale(LC_ALL, nullptr);
        d_saved = old ? old : "C";
        d_set = std::setlocale(LC_ALL, name) != nullptr;
        if (!d_set) {
            ADD_FAILURE() << "the locale " << name << " cannot be set: generate it (scripts/install-deps.sh)";
        } else if (std::string(name) == GERMAN) {
            EXPECT_STREQ(std::localeconv()->decimal_point, ",") << name << " has no decimal comma";
        }
    }
    ~ProcessLocale() { std::setlocale(LC_ALL, d_saved.c_str()); }
    ProcessLocale(const ProcessLocale&) = delete;
    ProcessLocale& operator=(const ProcessLocale&) = delete;

    bool isSet() const { return d_set; }

private:
    std::string d_saved;
    bool d_set = false;
};
