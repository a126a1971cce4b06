// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Numbers in the coil messages: a few significant digits, no trailing zeros.
#include <string>

namespace zelvar::coil {

// x with at most `significant` significant digits ("%.*Lg").
std::string plain(long double x, int significant = 3);

// Farads as picofarads, henries as millihenries, metres as millimetres:
// "52.3 pF", "6.55 mH", "110 mm".
std::string picofarads(long double farads);
std::string millihenries(long double henries);
std::string millimetres(long double metres);

}  // namespace zelvar::coil
