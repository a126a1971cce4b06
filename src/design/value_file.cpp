// SPDX-License-Identifier: GPL-3.0-or-later
#include "design/value_file.h"

#include <string>

#include "app/faults.h"
#include "report/format.h"

namespace zelvar {

std::string value_file_text(const DesignResults& r) {
    const struct {
        const char* key;
        long double value;
    } lines[] = {{"C1 ", r.C1}, {"L1 ", r.L1}, {"C2 ", r.C2}, {"L2 ", r.L2},
                 {"C3 ", r.C3}, {"L3 ", r.L3}, {"k12 ", r.k12}, {"fin ", r.fin}};
    std::string text;
    for (const auto& line : lines) text += line.key + E(line.value, 23) + "\r\n";
    return text;
}

std::string value_file_text(const DesignState& s) { return value_file_text(design_results(s)); }

void write_value_file(const std::string& text, const std::string& path) { write_file_atomically(path, text); }

void save_value_file(const DesignState& s) {
    const std::string text = value_file_text(s);
    fp_check();
    write_value_file(text);
}

}  // namespace zelvar
