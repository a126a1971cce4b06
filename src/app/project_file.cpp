// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/project_file.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <fstream>
#include <set>

#include "app/atomic_file.h"
#include "app/faults.h"
#include "app/json.h"
#include "sim/channels.h"
#include "sim/param_table.h"
#include "widgets/numeric_text.h"

namespace zelvar {

namespace {

constexpr std::size_t kMaxProjectBytes = std::size_t{4} << 20;

InputKey real_key(const char* key, const char* control) { return {key, control, InputKind::real, {}, {}, nullptr}; }
InputKey int_key(const char* key, const char* control) { return {key, control, InputKind::integer, {}, {}, nullptr}; }
InputKey flag_key(const char* key, const char* control) { return {key, control, InputKind::flag, {}, {}, nullptr}; }
InputKey choice_key(const char* key, const char* control, std::vector<std::string> words) {
    return {key, control, InputKind::choice, std::move(words), {}, nullptr};
}

bool tolerance_in_range(const InputValue& v) { return v.real >= 0 && v.real < 100; }
bool runs_in_range(const InputValue& v) { return v.integer >= 1 && v.integer <= 1000000; }

std::vector<ProjectSection> make_sections() {
    std::vector<ProjectSection> s;

    s.push_back({"design",
                 {real_key("k", "NEk"), real_key("l", "NEl"), real_key("m", "NEm"), real_key("n", "NEn"),
                  real_key("C1", "NEC1"), real_key("C3", "NEC3"), real_key("L3", "NEL3"),
                  choice_key("excitation", "RGexcitation", {"k", "l", "m", "n"}), flag_key("leave_c1", "CBC1"),
                  real_key("g1", "NEg1"), flag_key("leave_c2", "CBC2"), real_key("g2", "NEg2")}});

    ProjectSection sim{"simulation", {}};
    for (const ParamSpec& p : kParamTable) {
        InputKey k{p.key, p.control, InputKind::real, {}, {}, nullptr};
        switch (p.kind) {
            case ParamKind::real: k.kind = InputKind::real; break;
            case ParamKind::integer: k.kind = InputKind::integer; break;
            case ParamKind::flag: k.kind = InputKind::flag; break;
            case ParamKind::choice:
                k.kind = InputKind::choice;
                for (int i = 0; p.choices[i] != nullptr; ++i) k.words.push_back(p.choices[i]);
                break;
        }
        sim.keys.push_back(std::move(k));
    }
    s.push_back(std::move(sim));

    ProjectSection scales{"scales", {}};
    for (const Channel& c : kChannels) scales.keys.push_back(real_key(c.csv_name, c.scale_field));
    s.push_back(std::move(scales));

    s.push_back({"magnifier",
                 {int_key("k", "NEk"), int_key("l", "NEl"), int_key("m", "NEm"), real_key("C1", "NEC1"),
                  real_key("L3", "NEL3"), real_key("C3", "NEC3"), real_key("VC1", "NEVC1"),
                  flag_key("update", "CBupdate")}});

    ProjectSection tol{"tolerance", {}};
    for (int e = 0; e < kToleranceElements; ++e) {
        InputKey k = real_key("", "");
        k.key = std::string("tol_") + tolerance_element_name(e);
        k.control = std::string("NEtol") + tolerance_element_name(e);
        k.range = "from 0 to below 100";
        k.in_range = tolerance_in_range;
        tol.keys.push_back(std::move(k));
    }
    InputKey runs = int_key("runs", "NEruns");
    runs.range = "from 1 to 1000000";
    runs.in_range = runs_in_range;
    tol.keys.push_back(std::move(runs));
    tol.keys.push_back(int_key("seed", "NEseed"));
    tol.keys.push_back(real_key("threshold", "NEthreshold"));
    tol.keys.push_back(choice_key("distribution", "RGdist", {"uniform", "gauss"}));
    s.push_back(std::move(tol));

    s.push_back({"modes", {real_key("k12_max", "NEk12max")}});

    ProjectSection measured{"measured", {}};
    for (int m = 0; m < fit::kMeasurements; ++m)
        measured.keys.push_back(real_key("", ""));
    for (int m = 0; m < fit::kMeasurements; ++m) {
        measured.keys[static_cast<std::size_t>(m)].key = std::string("f_") + fit::measurement_name(m);
        measured.keys[static_cast<std::size_t>(m)].control = std::string("NE") + fit::measurement_name(m);
    }
    measured.keys.push_back(real_key("uncertainty", "NEuncertainty"));
    for (int u = 0; u < fit::kUnknowns; ++u) {
        InputKey k = flag_key("", "");
        k.key = std::string("unknown_") + fit::unknown_name(u);
        k.control = std::string("CB") + fit::unknown_name(u);
        measured.keys.push_back(std::move(k));
    }
    measured.keys.push_back(choice_key("retune", "RGknob", {"L1", "C1"}));
    measured.keys.push_back(flag_key("windings", "CBwindings"));
    s.push_back(std::move(measured));

    s.push_back({"windings",
                 {real_key("sec_diameter", "NEsecdiameter"), real_key("sec_wire", "NEsecwire"),
                  real_key("sec_pitch", "NEsecpitch"), real_key("extra_diameter", "NEextdiameter"),
                  real_key("extra_wire", "NEextwire"), real_key("extra_pitch", "NEextpitch"),
                  choice_key("pri_shape", "RGshape", {"spiral", "helix"}), real_key("pri_diameter", "NEpridiameter"),
                  real_key("pri_conductor", "NEpriconductor"), real_key("pri_pitch", "NEpripitch"),
                  choice_key("top", "RGtop", {"toroid", "sphere"}), real_key("top_ratio", "NEtopratio")}});
    return s;
}

std::string real_text(long double x) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, x, std::chars_format::scientific, 20);
    return std::string(buffer, result.ptr);
}

// The value of one key from the file's JSON, or an Error whose message says
// what is wrong with it (without the file and the key).
InputValue convert(const InputKey& k, const JsonValue& v) {
    const auto wrong_type = [&](const char* wanted) {
        return Error(std::string(json_type_name(v.type)) + " where " + wanted + " belongs");
    };
    InputValue out;
    out.kind = k.kind;
    switch (k.kind) {
        case InputKind::real:
            if (v.type != JsonValue::Type::number) throw wrong_type("a number");
            try {
                out.real = parse_real(v.text);
            } catch (const Error&) {
                throw Error(v.text + " is not a number the field accepts (beyond the range of an 80-bit real)");
            }
            break;
        case InputKind::integer: {
            if (v.type != JsonValue::Type::number) throw wrong_type("an integer");
            if (v.text.find_first_of(".eE") != std::string::npos) throw Error(v.text + " is not an integer");
            long long value = 0;
            const char* first = v.text.data();
            const char* last = first + v.text.size();
            const auto r = std::from_chars(first, last, value);
            if (r.ec != std::errc() || r.ptr != last || value < INT32_MIN || value > INT32_MAX)
                throw Error(v.text + " is outside the range of an integer field (-2147483648 to 2147483647)");
            out.integer = static_cast<std::int32_t>(value);
            break;
        }
        case InputKind::flag:
            if (v.type != JsonValue::Type::boolean) throw wrong_type("true or false");
            out.flag = v.boolean;
            break;
        case InputKind::choice: {
            if (v.type != JsonValue::Type::string) throw wrong_type("a text");
            std::string list;
            for (std::size_t i = 0; i < k.words.size(); ++i) {
                if (v.text == k.words[i]) {
                    out.choice = static_cast<int>(i);
                    return out;
                }
                list += (i == 0 ? "" : i + 1 == k.words.size() ? " or " : ", ") + json_quote(k.words[i]);
            }
            throw Error(json_quote(v.text) + " is not one of the choices " + list);
        }
    }
    if (k.in_range != nullptr && !k.in_range(out))
        throw Error((k.kind == InputKind::real ? real_display_text(out.real) : int_display_text(out.integer)) +
                    " is out of the field's range (" + k.range + ")");
    return out;
}

long double real_or(const Project& p, const char* section, const std::string& key, long double fallback) {
    const InputValue* v = p.get(section, key);
    return v != nullptr && v->kind == InputKind::real ? v->real : fallback;
}
std::int32_t int_or(const Project& p, const char* section, const std::string& key, std::int32_t fallback) {
    const InputValue* v = p.get(section, key);
    return v != nullptr && v->kind == InputKind::integer ? v->integer : fallback;
}
bool flag_or(const Project& p, const char* section, const std::string& key, bool fallback) {
    const InputValue* v = p.get(section, key);
    return v != nullptr && v->kind == InputKind::flag ? v->flag : fallback;
}
int choice_or(const Project& p, const char* section, const std::string& key, int fallback) {
    const InputValue* v = p.get(section, key);
    return v != nullptr && v->kind == InputKind::choice ? v->choice : fallback;
}

}  // namespace

const std::vector<ProjectSection>& project_sections() {
    static const std::vector<ProjectSection> sections = make_sections();
    return sections;
}

const ProjectSection* find_section(const std::string& name) {
    for (const ProjectSection& s : project_sections())
        if (s.name == name) return &s;
    return nullptr;
}

const InputValue* Project::get(const std::string& section, const std::string& key) const {
    const auto s = sections.find(section);
    if (s == sections.end()) return nullptr;
    const auto k = s->second.find(key);
    return k == s->second.end() ? nullptr : &k->second;
}

std::string project_text(const Project& project) {
    std::string out = "{\n  \"format\": " + json_quote(kProjectFormat) + ",\n  \"version\": " +
                      std::to_string(kProjectVersion);
    for (const ProjectSection& section : project_sections()) {
        std::string members;
        for (const InputKey& k : section.keys) {
            const InputValue* v = project.get(section.name, k.key);
            if (v == nullptr) continue;
            std::string text;
            switch (k.kind) {
                case InputKind::real:
                    if (!std::isfinite(v->real))
                        throw Error("The project cannot hold the value of " + section.name + "." + k.key +
                                    ": it is not a finite number");
                    text = real_text(v->real);
                    break;
                case InputKind::integer:
                    text = std::to_string(v->integer);
                    break;
                case InputKind::flag:
                    text = v->flag ? "true" : "false";
                    break;
                case InputKind::choice:
                    text = v->choice >= 0 && v->choice < static_cast<int>(k.words.size())
                               ? json_quote(k.words[static_cast<std::size_t>(v->choice)])
                               : "null";
                    break;
            }
            members += (members.empty() ? "\n    " : ",\n    ") + json_quote(k.key) + ": " + text;
        }
        if (members.empty()) continue;
        out += ",\n  " + json_quote(section.name) + ": {" + members + "\n  }";
    }
    return out + "\n}\n";
}

void write_project_file(const std::string& path, const Project& project) {
    write_file_atomically(path, project_text(project));
}

Project parse_project(const std::string& text, const std::string& path) {
    const std::string file = "Project file " + path;
    JsonValue root;
    try {
        root = parse_json(text);
    } catch (const Error& e) {
        throw Error(file + " is not JSON: " + e.what());
    }
    if (root.type != JsonValue::Type::object) throw Error(file + " is not a project: " + json_type_name(root.type) +
                                                          " where an object belongs");
    const JsonValue* format = root.find("format");
    if (format == nullptr || format->type != JsonValue::Type::string || format->text != kProjectFormat)
        throw Error(file + ", key format: not a " + kProjectFormat + " file");
    const JsonValue* version = root.find("version");
    if (version == nullptr || version->type != JsonValue::Type::number ||
        version->text.find_first_of(".eE-") != std::string::npos)
        throw Error(file + ", key version: a positive integer expected");
    if (version->text.size() > 9 || std::stoi(version->text) > kProjectVersion)
        throw Error(file + " has format version " + version->text + "; this program reads up to version " +
                    std::to_string(kProjectVersion) + " (a newer ZELVAR Designer wrote it)");

    Project project;
    std::set<std::string> seen_sections;
    for (const auto& [name, value] : root.members) {
        const ProjectSection* section = find_section(name);
        if (section == nullptr) continue;  // a key this program does not know
        if (!seen_sections.insert(name).second) throw Error(file + ", key " + name + ": given twice");
        if (value.type != JsonValue::Type::object)
            throw Error(file + ", key " + name + ": " + json_type_name(value.type) + " where an object belongs");
        auto& values = project.sections[name];
        for (const auto& [key, member] : value.members) {
            const InputKey* k = nullptr;
            for (const InputKey& candidate : section->keys)
                if (candidate.key == key) k = &candidate;
            if (k == nullptr) continue;
            const std::string where = file + ", key " + name + "." + key + ": ";
            if (values.count(key) > 0) throw Error(where + "given twice");
            try {
                values[key] = convert(*k, member);
            } catch (const Error& e) {
                throw Error(where + e.what());
            }
        }
    }
    return project;
}

Project read_project_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw Error("Project file " + path + " cannot be read: " + std::strerror(errno));
    std::string text;
    char buffer[65536];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        text.append(buffer, static_cast<std::size_t>(in.gcount()));
        if (text.size() > kMaxProjectBytes)
            throw Error("Project file " + path + " is larger than 4 MiB: not a project");
    }
    if (in.bad()) throw Error("Project file " + path + " cannot be read: " + std::strerror(errno));
    return parse_project(text, path);
}

void put_design_inputs(Project& p, const DesignInputs& in) {
    const char* s = "design";
    p.set(s, "k", InputValue::of_real(in.k));
    p.set(s, "l", InputValue::of_real(in.l));
    p.set(s, "m", InputValue::of_real(in.m));
    p.set(s, "n", InputValue::of_real(in.n));
    p.set(s, "C1", InputValue::of_real(in.C1));
    p.set(s, "C3", InputValue::of_real(in.C3));
    p.set(s, "L3", InputValue::of_real(in.L3));
    p.set(s, "excitation", InputValue::of_choice(in.excitation));
    p.set(s, "leave_c1", InputValue::of_flag(in.leave_c1));
    p.set(s, "g1", InputValue::of_real(in.g1));
    p.set(s, "leave_c2", InputValue::of_flag(in.leave_c2));
    p.set(s, "g2", InputValue::of_real(in.g2));
}

void take_design_inputs(const Project& p, DesignInputs& in) {
    const char* s = "design";
    in.k = real_or(p, s, "k", in.k);
    in.l = real_or(p, s, "l", in.l);
    in.m = real_or(p, s, "m", in.m);
    in.n = real_or(p, s, "n", in.n);
    in.C1 = real_or(p, s, "C1", in.C1);
    in.C3 = real_or(p, s, "C3", in.C3);
    in.L3 = real_or(p, s, "L3", in.L3);
    in.excitation = choice_or(p, s, "excitation", in.excitation);
    in.leave_c1 = flag_or(p, s, "leave_c1", in.leave_c1);
    in.g1 = real_or(p, s, "g1", in.g1);
    in.leave_c2 = flag_or(p, s, "leave_c2", in.leave_c2);
    in.g2 = real_or(p, s, "g2", in.g2);
}

void put_sim_params(Project& p, const SimParams& in) {
    for (const ParamSpec& e : kParamTable) {
        switch (e.kind) {
            case ParamKind::real: p.set("simulation", e.key, InputValue::of_real(in.*e.real)); break;
            case ParamKind::integer: p.set("simulation", e.key, InputValue::of_integer(in.*e.integer)); break;
            case ParamKind::flag: p.set("simulation", e.key, InputValue::of_flag(in.*e.flag)); break;
            case ParamKind::choice: p.set("simulation", e.key, InputValue::of_choice(in.*e.choice)); break;
        }
    }
}

void take_sim_params(const Project& p, SimParams& in) {
    for (const ParamSpec& e : kParamTable) {
        switch (e.kind) {
            case ParamKind::real: in.*e.real = real_or(p, "simulation", e.key, in.*e.real); break;
            case ParamKind::integer: in.*e.integer = int_or(p, "simulation", e.key, in.*e.integer); break;
            case ParamKind::flag: in.*e.flag = flag_or(p, "simulation", e.key, in.*e.flag); break;
            case ParamKind::choice: in.*e.choice = choice_or(p, "simulation", e.key, in.*e.choice); break;
        }
    }
}

void put_scales(Project& p, const std::array<long double, 8>& scales) {
    for (int c = 0; c < kChannelCount; ++c) p.set("scales", kChannels[c].csv_name, InputValue::of_real(scales[c]));
}

void take_scales(const Project& p, std::array<long double, 8>& scales) {
    for (int c = 0; c < kChannelCount; ++c) scales[c] = real_or(p, "scales", kChannels[c].csv_name, scales[c]);
}

void put_magnifier(Project& p, const MagnifierWindowInputs& in) {
    const char* s = "magnifier";
    p.set(s, "k", InputValue::of_integer(in.design.k));
    p.set(s, "l", InputValue::of_integer(in.design.l));
    p.set(s, "m", InputValue::of_integer(in.design.m));
    p.set(s, "C1", InputValue::of_real(in.design.C1));
    p.set(s, "L3", InputValue::of_real(in.design.L3));
    p.set(s, "C3", InputValue::of_real(in.design.C3));
    p.set(s, "VC1", InputValue::of_real(in.VC1));
    p.set(s, "update", InputValue::of_flag(in.update));
}

void take_magnifier(const Project& p, MagnifierWindowInputs& in) {
    const char* s = "magnifier";
    in.design.k = int_or(p, s, "k", in.design.k);
    in.design.l = int_or(p, s, "l", in.design.l);
    in.design.m = int_or(p, s, "m", in.design.m);
    in.design.C1 = real_or(p, s, "C1", in.design.C1);
    in.design.L3 = real_or(p, s, "L3", in.design.L3);
    in.design.C3 = real_or(p, s, "C3", in.design.C3);
    in.VC1 = real_or(p, s, "VC1", in.VC1);
    in.update = flag_or(p, s, "update", in.update);
}

void put_tolerance(Project& p, const ToleranceSettings& in) {
    const char* s = "tolerance";
    for (int e = 0; e < kToleranceElements; ++e)
        p.set(s, std::string("tol_") + tolerance_element_name(e), InputValue::of_real(in.tol[e]));
    p.set(s, "runs", InputValue::of_integer(in.runs));
    p.set(s, "seed", InputValue::of_integer(static_cast<std::int32_t>(in.seed)));
    p.set(s, "threshold", InputValue::of_real(in.threshold));
    p.set(s, "distribution", InputValue::of_choice(in.dist == Distribution::gauss ? 1 : 0));
}

void take_tolerance(const Project& p, ToleranceSettings& in) {
    const char* s = "tolerance";
    for (int e = 0; e < kToleranceElements; ++e)
        in.tol[e] = real_or(p, s, std::string("tol_") + tolerance_element_name(e), in.tol[e]);
    in.runs = int_or(p, s, "runs", in.runs);
    in.seed = static_cast<std::uint32_t>(int_or(p, s, "seed", static_cast<std::int32_t>(in.seed)));
    in.threshold = real_or(p, s, "threshold", in.threshold);
    in.dist = choice_or(p, s, "distribution", in.dist == Distribution::gauss ? 1 : 0) == 1 ? Distribution::gauss
                                                                                           : Distribution::uniform;
}

void put_windings(Project& p, const coil::WindingChoices& in) {
    const char* s = "windings";
    p.set(s, "sec_diameter", InputValue::of_real(in.secondary.diameter));
    p.set(s, "sec_wire", InputValue::of_real(in.secondary.wire));
    p.set(s, "sec_pitch", InputValue::of_real(in.secondary.pitch));
    p.set(s, "extra_diameter", InputValue::of_real(in.extra.diameter));
    p.set(s, "extra_wire", InputValue::of_real(in.extra.wire));
    p.set(s, "extra_pitch", InputValue::of_real(in.extra.pitch));
    p.set(s, "pri_shape", InputValue::of_choice(static_cast<int>(in.primary.shape)));
    p.set(s, "pri_diameter", InputValue::of_real(in.primary.diameter));
    p.set(s, "pri_conductor", InputValue::of_real(in.primary.conductor));
    p.set(s, "pri_pitch", InputValue::of_real(in.primary.pitch));
    p.set(s, "top", InputValue::of_choice(static_cast<int>(in.top.kind)));
    p.set(s, "top_ratio", InputValue::of_real(in.top.ratio));
}

void take_windings(const Project& p, coil::WindingChoices& in) {
    const char* s = "windings";
    in.secondary.diameter = real_or(p, s, "sec_diameter", in.secondary.diameter);
    in.secondary.wire = real_or(p, s, "sec_wire", in.secondary.wire);
    in.secondary.pitch = real_or(p, s, "sec_pitch", in.secondary.pitch);
    in.extra.diameter = real_or(p, s, "extra_diameter", in.extra.diameter);
    in.extra.wire = real_or(p, s, "extra_wire", in.extra.wire);
    in.extra.pitch = real_or(p, s, "extra_pitch", in.extra.pitch);
    in.primary.shape = choice_or(p, s, "pri_shape", static_cast<int>(in.primary.shape)) == 1
                           ? coil::PrimaryShape::helix
                           : coil::PrimaryShape::spiral;
    in.primary.diameter = real_or(p, s, "pri_diameter", in.primary.diameter);
    in.primary.conductor = real_or(p, s, "pri_conductor", in.primary.conductor);
    in.primary.pitch = real_or(p, s, "pri_pitch", in.primary.pitch);
    in.top.kind = choice_or(p, s, "top", static_cast<int>(in.top.kind)) == 1 ? coil::TopKind::sphere
                                                                             : coil::TopKind::toroid;
    in.top.ratio = real_or(p, s, "top_ratio", in.top.ratio);
}

void put_measured(Project& p, const MeasuredWindowInputs& in) {
    const char* s = "measured";
    for (int m = 0; m < fit::kMeasurements; ++m)
        p.set(s, std::string("f_") + fit::measurement_name(m),
              InputValue::of_real(in.measured[static_cast<std::size_t>(m)]));
    p.set(s, "uncertainty", InputValue::of_real(in.uncertainty));
    for (int u = 0; u < fit::kUnknowns; ++u)
        p.set(s, std::string("unknown_") + fit::unknown_name(u),
              InputValue::of_flag(in.unknowns[static_cast<std::size_t>(u)]));
    p.set(s, "retune", InputValue::of_choice(in.retune));
    p.set(s, "windings", InputValue::of_flag(in.windings));
}

void take_measured(const Project& p, MeasuredWindowInputs& in) {
    const char* s = "measured";
    for (int m = 0; m < fit::kMeasurements; ++m) {
        long double& f = in.measured[static_cast<std::size_t>(m)];
        f = real_or(p, s, std::string("f_") + fit::measurement_name(m), f);
    }
    in.uncertainty = real_or(p, s, "uncertainty", in.uncertainty);
    for (int u = 0; u < fit::kUnknowns; ++u) {
        const std::size_t i = static_cast<std::size_t>(u);
        in.unknowns[i] = flag_or(p, s, std::string("unknown_") + fit::unknown_name(u), in.unknowns[i]);
    }
    in.retune = choice_or(p, s, "retune", in.retune);
    in.windings = flag_or(p, s, "windings", in.windings);
}

void put_modes_k12max(Project& p, long double k12max) { p.set("modes", "k12_max", InputValue::of_real(k12max)); }

void take_modes_k12max(const Project& p, long double& k12max) { k12max = real_or(p, "modes", "k12_max", k12max); }

}  // namespace zelvar
