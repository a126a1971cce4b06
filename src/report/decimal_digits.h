// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The decimal expansion that every formatter starts from: |x| rounded to
// nearest at 18 significant digits, at every magnitude (a number below 1
// keeps all its 18 significant digits, however small it is).
#include <string>

namespace zelvar {

struct DecimalDigits {
    std::string digits;  // exactly 18 digits, the first nonzero unless x is 0
    int exponent = 0;    // |x| ~ digits[0].digits[1..17] x 10^exponent
};

// x must be finite.
DecimalDigits decimal_digits(long double x);

}  // namespace zelvar
