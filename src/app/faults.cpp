#include "app/faults.h"

#include <cfenv>
#include <cmath>

namespace zelvar {

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
