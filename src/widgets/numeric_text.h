// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The text rules of the numeric entry field: what a field accepts, the
// value it stores, and the text it shows for a value set from code.
//
// Real syntax: leading spaces, an optional sign, then at least one character
// of: digits, optionally a full stop and digits, optionally an exponent
// (E or e, optional sign, at least one digit).  Nothing may follow.  A lone
// full stop or a lone exponent reads as 0.
//
// Integer syntax: leading spaces, an optional sign, then decimal digits in the
// 32-bit range, or a hexadecimal prefix ($, x, X, 0x, 0X) and one to eight
// significant hexadecimal digits, whose 32-bit pattern is the value.
#include <cstdint>
#include <string>

namespace zelvar {

enum class tipo_campo { real_field = 0, int_field = 1, text_field = 2 };

// Refused text: Error "<text> is not a valid number".  A real beyond the
// 80-bit range: Error "Floating point overflow".
long double parse_real(const std::string& text);
std::int32_t parse_int(const std::string& text);

// The message of a refused text.
std::string not_a_number_message(const std::string& text);

// 15 significant digits, plain from 0.0001 up to below 1E15 (and for zero),
// scientific otherwise: 0.0001551, 5E-5, 2E15, 1.23456789012346E17.
std::string real_display_text(long double x);
std::string int_display_text(std::int32_t i);

}  // namespace zelvar
