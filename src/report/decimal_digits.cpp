#include "report/decimal_digits.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace zelvar {

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

// glibc's printf rounds correctly (to nearest, ties to even).  Only its
// digits and exponent are read, so that the locale's decimal point does not
// matter.

DecimalDigits decimal_digits(long double x) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.17Le", std::fabs(x));
    DecimalDigits d;
    const char* p = buf;
    for (; *p && *p != 'e'; ++p)
        if (is_digit(*p)) d.digits += *p;
    if (*p == 'e') d.exponent = std::atoi(p + 1);
    d.digits.resize(18, '0');
    if (x == 0) d.exponent = 0;
    return d;
}

DecimalDigits fixed_point_digits(long double x) {
    if (!std::isless(std::fabs(x), 10.0L)) return decimal_digits(x);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.17Lf", std::fabs(x));
    DecimalDigits d;
    for (const char* p = buf; *p; ++p)
        if (is_digit(*p)) d.digits += *p;
    // One or two integer digits ("10" after a carry), then 17 decimals.
    d.exponent = static_cast<int>(d.digits.size()) - 18;
    return d;
}

}  // namespace zelvar
