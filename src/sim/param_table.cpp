#include "sim/param_table.h"

#include "widgets/numeric_text.h"

namespace zelvar {

const ParamSpec* find_param(const std::string& key_or_control) {
    for (const ParamSpec& p : kParamTable)
        if (key_or_control == p.key || key_or_control == p.control) return &p;
    return nullptr;
}

bool is_circuit_param(const ParamSpec& entry) {
    for (const char* key : {"C1", "L1", "R1", "C2", "L2", "R2", "C3", "L3", "R3", "k12", "CL", "RL", "fin"})
        if (std::string(entry.key) == key) return true;
    return false;
}

std::string param_default_text(const ParamSpec& entry) {
    const SimParams defaults;
    switch (entry.kind) {
        case ParamKind::real:
            return real_display_text(defaults.*entry.real);
        case ParamKind::integer:
            return int_display_text(defaults.*entry.integer);
        case ParamKind::flag:
            return defaults.*entry.flag ? "on" : "off";
        case ParamKind::choice:
            return entry.choices[defaults.*entry.choice];
    }
    return "";
}

}  // namespace zelvar
