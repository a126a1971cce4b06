// SPDX-License-Identifier: GPL-3.0-or-later
#include "coil/coil_text.h"

#include <cstdio>

namespace zelvar::coil {

std::string plain(long double x, int significant) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*Lg", significant, x);
    return text;
}

std::string picofarads(long double farads) { return plain(farads * 1e12L) + " pF"; }
std::string millihenries(long double henries) { return plain(henries * 1e3L) + " mH"; }
std::string millimetres(long double metres) { return plain(metres * 1e3L) + " mm"; }

}  // namespace zelvar::coil
