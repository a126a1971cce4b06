// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/faults.h"

#include <cfenv>
#include <cmath>

namespace zelvar {

FpEnvironment::FpEnvironment() {
    std::fegetenv(&saved_);
    std::fesetround(FE_TONEAREST);
    fedisableexcept(FE_ALL_EXCEPT);
#if defined(__x86_64__) || defined(__i386__)
    // Precision control (bits 8-9) to 64 bits; all exception masks (bits 0-5).
    unsigned short cw;
    __asm__ volatile("fnstcw %0" : "=m"(cw));
    cw = static_cast<unsigned short>(cw | 0x0300 | 0x003F);
    __asm__ volatile("fldcw %0" : : "m"(cw));
#endif
    std::feclearexcept(FE_ALL_EXCEPT);
}

FpEnvironment::~FpEnvironment() { std::fesetenv(&saved_); }

void fp_clear() { std::feclearexcept(FE_ALL_EXCEPT); }

void fp_check() {
    const int raised = std::fetestexcept(FE_DIVBYZERO | FE_OVERFLOW | FE_INVALID);
    if (raised == 0) return;
    std::feclearexcept(FE_ALL_EXCEPT);
    if (raised & FE_DIVBYZERO) throw Error(kDivisionByZero);
    if (raised & FE_OVERFLOW) throw Error(kOverflow);
    throw Error(kInvalidOperation);
}

std::int32_t iadd(std::int32_t a, std::int32_t b) {
    std::int32_t r;
    if (__builtin_add_overflow(a, b, &r)) throw Error(kIntegerOverflow);
    return r;
}

std::int32_t isub(std::int32_t a, std::int32_t b) {
    std::int32_t r;
    if (__builtin_sub_overflow(a, b, &r)) throw Error(kIntegerOverflow);
    return r;
}

std::int32_t imul(std::int32_t a, std::int32_t b) {
    std::int32_t r;
    if (__builtin_mul_overflow(a, b, &r)) throw Error(kIntegerOverflow);
    return r;
}

long double round_even(long double x) {
    // The default rounding mode is to nearest, ties to even.
    return std::nearbyintl(x);
}

std::int32_t round_int(long double x) {
    if (std::isnan(x) || !std::isless(std::fabs(x), 9223372036854775808.0L))
        throw Error(kInvalidOperation);
    const long double r = round_even(x);
    if (std::isless(r, -2147483648.0L) || std::isgreater(r, 2147483647.0L))
        throw Error(kRangeCheck);
    return static_cast<std::int32_t>(r);
}

std::string error_box_text(const std::string& message) {
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.')
        return message + ".";
    return message;
}

}  // namespace zelvar
