// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The project file (.zelvar): every input of every window, as JSON (UTF-8).
//
//   {
//     "format": "ZELVAR Designer project",
//     "version": 1,
//     "design":     { "k": 5.00000000000000000000e+00, ..., "excitation": "m", "leave_c1": false, ... },
//     "simulation": { "C1": ..., "points": 600, "square": false, "stop_mode": "open", ... },
//     "scales":     { "vin": ..., "v1": ..., ... },
//     ...
//   }
//
// Each window's inputs are one section (a JSON object) whose keys are listed
// in project_sections(): a real is a JSON number with 21 significant digits
// (it reads back to the same 80-bit value), an integer field a JSON integer,
// a check box true or false, a radio group the word of its item.  A project
// holds values only: no file names, no outputs.
//
// Reading validates the whole file before anything uses it: text that is not
// JSON, a value of the wrong type, a number the fields refuse, a value out of
// its field's range, a word that is not one of the choices, or a key given
// twice is refused with a message naming the file and the key; a file of a
// newer format version is refused; keys the program does not know are
// ignored, and a key left out keeps its start-up default.
//
// A window adds its inputs with one entry in project_sections() (and one
// line where the desktop program binds its controls).
#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "coil/windings.h"
#include "design/design_run.h"
#include "fit/network_modes.h"
#include "fit/resonance_fit.h"
#include "idealmag/magnifier.h"
#include "sim/sim_params.h"
#include "sim/tolerance.h"

namespace zelvar {

inline constexpr int kProjectVersion = 1;
inline constexpr char kProjectFormat[] = "ZELVAR Designer project";

enum class InputKind { real, integer, flag, choice };

struct InputValue {
    InputKind kind = InputKind::real;
    long double real = 0;
    std::int32_t integer = 0;
    bool flag = false;
    int choice = 0;  // index into the key's words

    static InputValue of_real(long double x) { return {InputKind::real, x, 0, false, 0}; }
    static InputValue of_integer(std::int32_t i) { return {InputKind::integer, 0, i, false, 0}; }
    static InputValue of_flag(bool b) { return {InputKind::flag, 0, 0, b, 0}; }
    static InputValue of_choice(int c) { return {InputKind::choice, 0, 0, false, c}; }
};

struct InputKey {
    std::string key;      // its name in the file
    std::string control;  // object name of its control in the window
    InputKind kind;
    std::vector<std::string> words;  // choice: the file's word of each item, by index
    // Beyond the field's own syntax: what a value must satisfy ("from 0 to
    // below 100"), empty when anything the field holds is fine.
    std::string range;
    bool (*in_range)(const InputValue&) = nullptr;
};

struct ProjectSection {
    std::string name;  // "design", "simulation", "scales", "magnifier", "tolerance", "modes"
    std::vector<InputKey> keys;
};

// Every window's section, in the file's order.
const std::vector<ProjectSection>& project_sections();
const ProjectSection* find_section(const std::string& name);

// The inputs a project holds: by section, then by key.  A key that is not
// there stands for the window's start-up value.
struct Project {
    std::map<std::string, std::map<std::string, InputValue>> sections;

    void set(const std::string& section, const std::string& key, const InputValue& value) {
        sections[section][key] = value;
    }
    const InputValue* get(const std::string& section, const std::string& key) const;
};

// The file's text (UTF-8, ending in a line feed).  A real that is not finite
// raises zelvar::Error naming its key.
std::string project_text(const Project& project);
// Writes the file atomically; failures raise FileError.
void write_project_file(const std::string& path, const Project& project);

// Parses a project's text; `path` names the file in the messages ("Project
// file coil.zelvar, key simulation.R1: ...").  Raises zelvar::Error.
Project parse_project(const std::string& text, const std::string& path);
// Reads and parses a file (at most 4 MiB).
Project read_project_file(const std::string& path);

// The inputs of the computations, to and from a project.  take_* sets only
// what the project holds and leaves the rest as it was.
void put_design_inputs(Project& p, const DesignInputs& in);
void take_design_inputs(const Project& p, DesignInputs& in);
void put_sim_params(Project& p, const SimParams& in);
void take_sim_params(const Project& p, SimParams& in);
void put_scales(Project& p, const std::array<long double, 8>& scales);
void take_scales(const Project& p, std::array<long double, 8>& scales);
// The ideal magnifier window: its mode and elements, -VC1(0) and "Update elements".
struct MagnifierWindowInputs {
    MagnifierInputs design;
    long double VC1 = 5000;
    bool update = true;
};
void put_magnifier(Project& p, const MagnifierWindowInputs& in);
void take_magnifier(const Project& p, MagnifierWindowInputs& in);
void put_tolerance(Project& p, const ToleranceSettings& in);
void take_tolerance(const Project& p, ToleranceSettings& in);
// The windings window's choices.
void put_windings(Project& p, const coil::WindingChoices& in);
void take_windings(const Project& p, coil::WindingChoices& in);
// The measured resonances window: the frequencies (Hz, 0: not measured),
// the uncertainty in percent, the unknowns, the retuned element (0 L1,
// 1 C1) and "Primary tap and offset".
struct MeasuredWindowInputs {
    std::array<long double, fit::kMeasurements> measured{};
    long double uncertainty = 0.1L;
    fit::UnknownSet unknowns = fit::kDefaultUnknowns;
    int retune = 0;
    bool windings = false;
};
void put_measured(Project& p, const MeasuredWindowInputs& in);
void take_measured(const Project& p, MeasuredWindowInputs& in);
// The mode explorer's largest k12.
void put_modes_k12max(Project& p, long double k12max);
void take_modes_k12max(const Project& p, long double& k12max);

}  // namespace zelvar
