#pragma once

#include <locale.h>

namespace ezr {

// The "C" locale for the calling thread while this lives. The libraries behind the table
// files (libxlsxwriter's cells and column widths, ReadStat) format numbers with the C
// library, which follows LC_NUMERIC: under ru_RU a workbook would get "1,52302" where its
// format requires "1.52302". Every call into them runs inside one of these.
class CNumericLocale {
public:
    CNumericLocale() : previous_(c() ? uselocale(c()) : locale_t(0)) {}
    ~CNumericLocale() {
        if (previous_)
            uselocale(previous_);
    }
    CNumericLocale(const CNumericLocale&) = delete;
    CNumericLocale& operator=(const CNumericLocale&) = delete;

private:
    static locale_t c() {
        static const locale_t locale = newlocale(LC_ALL_MASK, "C", locale_t(0));
        return locale;
    }
    locale_t previous_; // the thread's locale before, possibly LC_GLOBAL_LOCALE
};

} // namespace ezr
