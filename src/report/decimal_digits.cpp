// SPDX-License-Identifier: GPL-3.0-or-later
#include "report/decimal_digits.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace zelvar {

DecimalDigits decimal_digits(long double x) {
    // glibc's printf rounds correctly.  Read only its digits and exponent, so
    // that the locale's decimal point does not matter.
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.17Le", std::fabs(x));
    DecimalDigits d;
    const char* p = buf;
    for (; *p && *p != 'e'; ++p)
        if (std::isdigit(static_cast<unsigned char>(*p))) d.digits += *p;
    if (*p == 'e') d.exponent = std::atoi(p + 1);
    d.digits.resize(18, '0');
    if (x == 0) d.exponent = 0;
    return d;
}

}  // namespace zelvar
