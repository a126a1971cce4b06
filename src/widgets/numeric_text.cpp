// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/numeric_text.h"

#include <cfenv>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <locale.h>

#include "app/faults.h"
#include "report/decimal_digits.h"

namespace zelvar {
namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// strtold in the C locale, whatever the program's locale says.  It leaves
// the floating-point status flags as they were: a text beyond the range is
// refused by its result, and must not leave a pending overflow behind for
// the next fault check of some later operation.
long double c_strtold(const std::string& s) {
    static const locale_t c_locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    std::fexcept_t saved;
    std::fegetexceptflag(&saved, FE_ALL_EXCEPT);
    const long double value = strtold_l(s.c_str(), nullptr, c_locale);
    std::fesetexceptflag(&saved, FE_ALL_EXCEPT);
    return value;
}

}  // namespace

std::string not_a_number_message(const std::string& text) { return text + " is not a valid number"; }

long double parse_real(const std::string& text) {
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n && text[i] == ' ') ++i;
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    const std::size_t body = i;
    std::string int_digits, frac_digits, exp_text;
    while (i < n && is_digit(text[i])) int_digits += text[i++];
    if (i < n && text[i] == '.') {
        ++i;
        while (i < n && is_digit(text[i])) frac_digits += text[i++];
    }
    if (i < n && (text[i] == 'E' || text[i] == 'e')) {
        ++i;
        if (i < n && (text[i] == '+' || text[i] == '-')) exp_text += text[i++];
        const std::size_t first = i;
        while (i < n && is_digit(text[i])) exp_text += text[i++];
        if (i == first) throw Error(not_a_number_message(text));
    }
    if (i == body || i != n) throw Error(not_a_number_message(text));

    long double value = 0;
    if (!int_digits.empty() || !frac_digits.empty()) {
        std::string c_text = (int_digits.empty() ? "0" : int_digits) + "." + frac_digits;
        if (!exp_text.empty()) c_text += "e" + exp_text;
        value = c_strtold(c_text);
        if (std::isinf(value)) throw Error(kOverflow);
    }
    return negative ? -value : value;
}

std::int32_t parse_int(const std::string& text) {
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n && text[i] == ' ') ++i;
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';

    bool hex = false;
    if (i < n && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
        hex = true;
        ++i;
    } else if (i + 1 < n && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }
    if (i == n) throw Error(not_a_number_message(text));

    std::uint64_t magnitude = 0;
    if (hex) {
        int significant = 0;
        for (; i < n; ++i) {
            const int v = hex_value(text[i]);
            if (v < 0) throw Error(not_a_number_message(text));
            if (significant > 0 || v != 0) ++significant;
            if (significant > 8) throw Error(not_a_number_message(text));
            magnitude = magnitude * 16 + static_cast<std::uint64_t>(v);
        }
        std::uint32_t pattern = static_cast<std::uint32_t>(magnitude);
        if (negative) pattern = 0u - pattern;
        return static_cast<std::int32_t>(pattern);
    }
    for (; i < n; ++i) {
        if (!is_digit(text[i])) throw Error(not_a_number_message(text));
        magnitude = magnitude * 10 + static_cast<std::uint64_t>(text[i] - '0');
        if (magnitude > 2147483648ull) throw Error(not_a_number_message(text));
    }
    if (!negative && magnitude > 2147483647ull) throw Error(not_a_number_message(text));
    return negative ? static_cast<std::int32_t>(-static_cast<std::int64_t>(magnitude))
                    : static_cast<std::int32_t>(magnitude);
}

std::string real_display_text(long double x) {
    if (std::isnan(x)) return "NAN";
    if (std::isinf(x)) return x > 0 ? "INF" : "-INF";
    if (x == 0) return "0";
    DecimalDigits d = decimal_digits(x);
    std::string digits = d.digits.substr(0, 15);
    if (d.digits[15] >= '5') {
        // Round half away from zero at the 15th digit, carrying as needed.
        int k = 14;
        while (k >= 0 && digits[k] == '9') digits[k--] = '0';
        if (k < 0) {
            digits.insert(digits.begin(), '1');
            digits.pop_back();
            ++d.exponent;
        } else {
            ++digits[k];
        }
    }
    const auto last = digits.find_last_not_of('0');
    digits.resize(last + 1);
    std::string text = std::signbit(x) ? "-" : "";
    const int e = d.exponent;
    if (e >= -4 && e < 15) {
        if (e < 0) {
            text += "0." + std::string(-e - 1, '0') + digits;
        } else if (static_cast<int>(digits.size()) <= e + 1) {
            text += digits + std::string(e + 1 - digits.size(), '0');
        } else {
            text += digits.substr(0, e + 1);
            text += '.';
            text += digits.substr(e + 1);
        }
    } else {
        text += digits.substr(0, 1);
        if (digits.size() > 1) {
            text += '.';
            text += digits.substr(1);
        }
        text += 'E';
        text += std::to_string(e);
    }
    return text;
}

std::string int_display_text(std::int32_t i) { return std::to_string(i); }

}  // namespace zelvar
