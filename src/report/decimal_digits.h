#pragma once
// The decimal expansions that the formatters start from.
#include <string>

namespace zelvar {

struct DecimalDigits {
    // digits[i] has the weight 10^(exponent - i); digits beyond the string
    // are zeros.
    std::string digits;
    int exponent = 0;
};

// |x| rounded to nearest at 18 significant digits: exactly 18 digits, the
// first nonzero unless x is 0 (then the exponent is 0).  x must be finite.
DecimalDigits decimal_digits(long double x);

// The expansion of the fixed notation: |x| rounded to nearest at 18
// significant digits, or at 17 decimal places when |x| < 10 (so a small
// number keeps fewer significant digits).  For |x| < 10 the first digit has
// the weight 1 (10 after a carry); otherwise as decimal_digits().  x must
// be finite.
DecimalDigits fixed_point_digits(long double x);

}  // namespace zelvar
