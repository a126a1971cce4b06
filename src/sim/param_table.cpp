#include "sim/param_table.h"

#include "widgets/numeric_text.h"

namespace zelvar {

const ParamSpec* find_param(const std::string& key_or_control) {
    for (const ParamSpec& p : kParamTable)
        if (key_or_control == p.key || key_or_control == p.control) return &p;
    return nullptr;
}

std::string param_default_text(const ParamSpec& spec) {
    const SimParams defaults;
    switch (spec.kind) {
        case ParamKind::real:
            return real_display_text(defaults.*spec.real);
        case ParamKind::integer:
            return int_display_text(defaults.*spec.integer);
        case ParamKind::flag:
            return defaults.*spec.flag ? "on" : "off";
        case ParamKind::choice:
            return spec.choices[defaults.*spec.choice];
    }
    return "";
}

}  // namespace zelvar
