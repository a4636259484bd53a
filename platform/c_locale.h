#pragma once
// Numbers in the C locale on this thread for one scope, whatever the process's locale.
// Libraries that format numbers with printf (libxlsxwriter) write decimal commas under a
// German desktop; a writer holds one of these around such calls. Other threads are not
// affected (uselocale is per thread).

#include <clocale>
#include <locale.h>

class CNumericScope {
public:
    CNumericScope()
        : d_c(cNumbersOfTheProcessLocale()), d_previous(d_c ? ::uselocale(d_c) : static_cast<locale_t>(0)) {}
    ~CNumericScope() {
        if (!d_c) return;
        ::uselocale(d_previous);
        ::freelocale(d_c);
    }
    CNumericScope(const CNumericScope&) = delete;
    CNumericScope& operator=(const CNumericScope&) = delete;

private:
    // The process's locale with the C locale's numbers: texts keep their encoding.
    static locale_t cNumbersOfTheProcessLocale() {
        const locale_t copy = ::duplocale(LC_GLOBAL_LOCALE);
        if (!copy) return static_cast<locale_t>(0);
        const locale_t made = ::newlocale(LC_NUMERIC_MASK, "C", copy);
        if (!made) ::freelocale(copy);
        return made;
    }

    locale_t d_c;
    locale_t d_previous;
};
