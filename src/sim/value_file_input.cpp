#include "sim/value_file_input.h"

#include <cerrno>
#include <cstring>
#include <fstream>

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

}  // namespace

void read_value_file(const std::string& path, SimParams& params) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw Error("Value file " + path + " cannot be read: " + std::strerror(errno));
    long double values[kKeyCount] = {};
    bool seen[kKeyCount] = {};
    std::string line;
    std::int32_t number = 0;
    while (std::getline(in, line)) {
        number = iadd(number, 1);
        const std::string where = "Value file " + path + ", line " + I(number) + ": ";
        while (!line.empty() && (line.back() == '\r' || is_blank(line.back()))) line.pop_back();
        std::size_t pos = 0;
        while (pos < line.size() && is_blank(line[pos])) ++pos;
        if (pos == line.size()) continue;
        std::size_t key_end = pos;
        while (key_end < line.size() && !is_blank(line[key_end])) ++key_end;
        const std::string key = line.substr(pos, key_end - pos);
        if (key_end == line.size()) throw Error(where + "no number after " + key);
        int k = 0;
        while (k < kKeyCount && key != kKeys[k].name) ++k;
        if (k == kKeyCount)
            throw Error(where + "unknown key " + key + "; the keys are " + key_list());
        if (seen[k]) throw Error(where + key + " given twice");
        try {
            std::size_t num = key_end;
            while (is_blank(line[num])) ++num;
            values[k] = parse_real(line.substr(num));
        } catch (const Error& e) {
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
