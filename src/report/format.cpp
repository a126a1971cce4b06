// SPDX-License-Identifier: GPL-3.0-or-later
#include "report/format.h"

#include <algorithm>
#include <cmath>

#include "report/decimal_digits.h"

namespace zelvar {
namespace {

std::string pad_left(std::string text, int width) {
    width = std::clamp(width, 0, 255);
    if (static_cast<int>(text.size()) < width) text.insert(0, width - text.size(), ' ');
    return text;
}

// Adds one unit at the last digit of `digits`; returns true when the carry
// runs out of the first digit (the digits are then all zeros).
bool increment(std::string& digits) {
    for (auto i = digits.size(); i-- > 0;) {
        if (digits[i] == '9') {
            digits[i] = '0';
        } else {
            ++digits[i];
            return false;
        }
    }
    return true;
}

std::string scientific(long double x, int width) {
    const int n = std::clamp(width - 8, 2, 18);
    DecimalDigits d = decimal_digits(x);
    std::string shown = d.digits.substr(0, n);
    if (n < 18 && d.digits[n] >= '5' && increment(shown)) {
        shown.insert(shown.begin(), '1');
        shown.pop_back();
        ++d.exponent;
    }
    std::string text(1, std::signbit(x) ? '-' : ' ');
    text += shown[0];
    text += '.';
    text += shown.substr(1);
    text += 'E';
    text += d.exponent < 0 ? '-' : '+';
    const std::string e = std::to_string(std::abs(d.exponent));
    text += std::string(e.size() < 4 ? 4 - e.size() : 0, '0') + e;
    return pad_left(text, width);
}

std::string fixed(long double x, int width, int decimals) {
    decimals = std::min(decimals, 216);
    if (!std::isless(std::fabs(x), 1e36L)) return scientific(x, width);
    const DecimalDigits d = decimal_digits(x);
    // Digit of weight 10^p in the 18-digit expansion.
    auto digit_at = [&](int p) {
        const int i = d.exponent - p;
        return (i >= 0 && i < 18) ? d.digits[i] : '0';
    };
    const int high = std::max(d.exponent, 0);
    std::string shown;  // weights 10^high down to 10^-decimals
    for (int p = high; p >= -decimals; --p) shown += digit_at(p);
    if (digit_at(-decimals - 1) >= '5' && increment(shown)) shown.insert(shown.begin(), '1');
    std::string int_part = shown.substr(0, shown.size() - decimals);
    const auto first = int_part.find_first_not_of('0');
    int_part = first == std::string::npos ? "0" : int_part.substr(first);
    std::string text = std::signbit(x) ? "-" : "";
    text += int_part;
    if (decimals > 0) {
        text += '.';
        text += shown.substr(shown.size() - decimals);
    }
    return pad_left(text, width);
}

}  // namespace

std::string format_real(long double x, int width, int decimals) {
    if (std::isnan(x)) return pad_left("Nan", width);
    if (std::isinf(x)) return pad_left(x > 0 ? "+Inf" : "-Inf", width);
    return decimals < 0 ? scientific(x, width) : fixed(x, width, decimals);
}

std::string format_int(std::int32_t i) { return std::to_string(i); }

std::string latin1_to_utf8(const std::string& latin1) {
    std::string out;
    out.reserve(latin1.size() + 8);
    for (const char ch : latin1) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            out += ch;
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

}  // namespace zelvar
