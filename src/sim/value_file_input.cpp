// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/value_file_input.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <istream>

#include "app/faults.h"
#include "report/format.h"
#include "sim/param_table.h"
#include "widgets/numeric_text.h"

namespace zelvar {

namespace {

struct Key {
    const char* name;
    long double SimParams::*field;
};

// The entries of the parameter table that the value file holds, in order.
constexpr int count_keys() {
    int n = 0;
    for (const ParamSpec& p : kParamTable)
        if (p.value_key != nullptr) ++n;
    return n;
}
constexpr int kKeyCount = count_keys();

struct Keys {
    Key key[kKeyCount];
};
constexpr Keys make_keys() {
    Keys keys{};
    int n = 0;
    for (const ParamSpec& p : kParamTable)
        if (p.value_key != nullptr) keys.key[n++] = Key{p.value_key, p.real};
    return keys;
}
constexpr Keys kKeyTable = make_keys();
constexpr const Key (&kKeys)[kKeyCount] = kKeyTable.key;

// "C1, L1, …, k12 and fin".
std::string key_list() {
    std::string list;
    for (int k = 0; k < kKeyCount; ++k) {
        if (k > 0) list += k + 1 == kKeyCount ? " and " : ", ";
        list += kKeys[k].name;
    }
    return list;
}

bool is_blank(char c) { return c == ' ' || c == '\t'; }

// A value file holds eight short lines; anything far larger (a device such
// as /dev/zero, a file chosen by mistake) is refused rather than read on.
constexpr std::size_t kMaxLineLength = 200;
constexpr std::int32_t kMaxLines = 1000;

// Reads the next line (without its '\n') into `line`; false at the end of
// the input.  A line longer than kMaxLineLength is cut there and `too_long`
// set.
bool read_line(std::istream& in, std::string& line, bool& too_long) {
    line.clear();
    too_long = false;
    std::streambuf* buf = in.rdbuf();
    for (;;) {
        const int c = buf->sbumpc();
        if (c == std::char_traits<char>::eof()) {
            in.setstate(std::ios::eofbit);
            return !line.empty();
        }
        if (c == '\n') return true;
        if (line.size() == kMaxLineLength) {
            too_long = true;
            return true;
        }
        line += static_cast<char>(c);
    }
}

// Text of the file as a message shows it: at most 40 bytes, control
// characters as '?'.
std::string shown(const std::string& text) {
    std::string out = text.substr(0, 40);
    for (char& c : out)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
    return text.size() > 40 ? out + "..." : out;
}

}  // namespace

void read_value_file(const std::string& path, SimParams& params) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw Error("Value file " + path + " cannot be read: " + std::strerror(errno));
    long double values[kKeyCount] = {};
    bool seen[kKeyCount] = {};
    std::string line;
    std::int32_t number = 0;
    bool too_long = false;
    const auto next_line = [&] {
        try {
            return read_line(in, line, too_long);
        } catch (const std::ios_base::failure&) {  // the file buffer's read error
            throw Error("Value file " + path + " cannot be read: " + std::strerror(errno));
        }
    };
    while (next_line()) {
        number = iadd(number, 1);
        const std::string where = "Value file " + path + ", line " + I(number) + ": ";
        if (too_long) throw Error(where + "longer than " + std::to_string(kMaxLineLength) + " characters");
        if (number > kMaxLines)
            throw Error("Value file " + path + ": more than " + std::to_string(kMaxLines) + " lines");
        while (!line.empty() && (line.back() == '\r' || is_blank(line.back()))) line.pop_back();
        std::size_t pos = 0;
        while (pos < line.size() && is_blank(line[pos])) ++pos;
        if (pos == line.size()) continue;
        std::size_t key_end = pos;
        while (key_end < line.size() && !is_blank(line[key_end])) ++key_end;
        const std::string key = line.substr(pos, key_end - pos);
        if (key_end == line.size()) throw Error(where + "no number after " + shown(key));
        int k = 0;
        while (k < kKeyCount && key != kKeys[k].name) ++k;
        if (k == kKeyCount)
            throw Error(where + "unknown key " + shown(key) + "; the keys are " + key_list());
        if (seen[k]) throw Error(where + key + " given twice");
        std::size_t num = key_end;
        while (is_blank(line[num])) ++num;
        const std::string text = line.substr(num);
        try {
            values[k] = parse_real(text);
        } catch (const Error& e) {
            if (e.what() == not_a_number_message(text)) throw Error(where + not_a_number_message(shown(text)));
            throw Error(where + e.what());
        }
        seen[k] = true;
    }
    if (in.bad()) throw Error("Value file " + path + " cannot be read: " + std::strerror(errno));
    for (int k = 0; k < kKeyCount; ++k)
        if (!seen[k]) throw Error("Value file " + path + ": no line for " + kKeys[k].name);
    for (int k = 0; k < kKeyCount; ++k) params.*kKeys[k].field = values[k];
}

}  // namespace zelvar
