#pragma once
// Every input of a simulation run, described once: the simulation parameter
// window builds its fields and reads them from this table, `zelvar-cli
// simulate` its options and help, the value-file reader its keys.  The
// defaults are those of SimParams{}.
#include <cstdint>
#include <string>

#include "sim/sim_params.h"

namespace zelvar {

enum class ParamKind {
    real,     // a real field
    integer,  // an integer field
    flag,     // a check box
    choice,   // a radio group: an index into `choices`
};

struct ParamSpec {
    const char* key;      // the member's name: "C1", "tstart", …
    const char* control;  // object name of its control in the parameter window
    const char* caption;  // caption beside or on the control (nullptr: none of its own)
    const char* unit;     // also the name of the option's argument: "F", "H", "ohm", "N", …
    ParamKind kind;
    long double SimParams::*real = nullptr;    // ParamKind::real
    std::int32_t SimParams::*integer = nullptr;  // ParamKind::integer
    bool SimParams::*flag = nullptr;           // ParamKind::flag
    int SimParams::*choice = nullptr;          // ParamKind::choice
    const char* const* choices = nullptr;      // ParamKind::choice: the option's words, by index
    const char* option = nullptr;   // `zelvar-cli simulate --option`, nullptr: no option of its own
    const char* help = "";          // the option's help (without the caption and the default)
    bool marks_stale = false;       // leaving its control asks for a new run (the dirty flag)
    const char* value_key = nullptr;  // its key in the value file, nullptr: not in the file
    bool SimParams::*also_sets = nullptr;  // giving the option also sets this flag (--feedback-after T)
};

inline constexpr const char* kStopModeWords[] = {"open", "short", "diodes", nullptr};

// In the parameter window's order of fields (then check boxes and radio
// group); the value file's keys come in this order too.
inline constexpr ParamSpec kParamTable[] = {
    {"C1", "NEC1", "C1", "F", ParamKind::real, &SimParams::C1, nullptr, nullptr, nullptr, nullptr, "C1",
     "primary capacitance", true, "C1"},
    {"L1", "NEL1", "L1", "H", ParamKind::real, &SimParams::L1, nullptr, nullptr, nullptr, nullptr, "L1",
     "primary inductance", true, "L1"},
    {"R1", "NER1", "R1", "ohm", ParamKind::real, &SimParams::R1, nullptr, nullptr, nullptr, nullptr, "R1",
     "primary resistance", true},
    {"C2", "NEC2", "C2", "F", ParamKind::real, &SimParams::C2, nullptr, nullptr, nullptr, nullptr, "C2",
     "secondary capacitance", true, "C2"},
    {"L2", "NEL2", "L2", "H", ParamKind::real, &SimParams::L2, nullptr, nullptr, nullptr, nullptr, "L2",
     "secondary inductance", true, "L2"},
    {"R2", "NER2", "R2", "ohm", ParamKind::real, &SimParams::R2, nullptr, nullptr, nullptr, nullptr, "R2",
     "secondary resistance", true},
    {"C3", "NEC3", "C3", "F", ParamKind::real, &SimParams::C3, nullptr, nullptr, nullptr, nullptr, "C3",
     "output capacitance", true, "C3"},
    {"L3", "NEL3", "L3", "H", ParamKind::real, &SimParams::L3, nullptr, nullptr, nullptr, nullptr, "L3",
     "output inductance", true, "L3"},
    {"R3", "NER3", "R3", "ohm", ParamKind::real, &SimParams::R3, nullptr, nullptr, nullptr, nullptr, "R3",
     "output inductor resistance", true},
    {"k12", "NEk12", "K12", "K", ParamKind::real, &SimParams::k12, nullptr, nullptr, nullptr, nullptr, "k12",
     "coupling coefficient of L1 and L2", true, "k12"},
    {"CL", "NECL", "C load", "F", ParamKind::real, &SimParams::CL, nullptr, nullptr, nullptr, nullptr, "CL",
     "load capacitance", true},
    {"RL", "NERL", "R load", "ohm", ParamKind::real, &SimParams::RL, nullptr, nullptr, nullptr, nullptr, "RL",
     "load resistance", true},
    {"fin", "NEfin", "Fin (Hz)", "Hz", ParamKind::real, &SimParams::fin, nullptr, nullptr, nullptr, nullptr,
     "fin", "source frequency", true, "fin"},
    {"tmax", "NEtmax", "Max time", "s", ParamKind::real, &SimParams::tmax, nullptr, nullptr, nullptr, nullptr,
     "tmax", "simulated time", true},
    {"tstop", "NEstop", "Stop time", "s", ParamKind::real, &SimParams::tstop, nullptr, nullptr, nullptr, nullptr,
     "stop", "time at which the driver stops", true},
    {"Ropen", "NEopen", "Ropen", "ohm", ParamKind::real, &SimParams::Ropen, nullptr, nullptr, nullptr, nullptr,
     "Ropen", "resistance of the open driver", true},
    {"Vin", "NEvin", "Vin (V)", "V", ParamKind::real, &SimParams::Vin, nullptr, nullptr, nullptr, nullptr, "vin",
     "source amplitude", true},
    {"tstart", "NEstart", nullptr, "T", ParamKind::real, &SimParams::tstart, nullptr, nullptr, nullptr, nullptr,
     "feedback-after", "square wave locked to the sign of the primary current after t = T", true, nullptr,
     &SimParams::feedback},
    {"VC10", "NEVC10", "VC1(0) (V)", "V", ParamKind::real, &SimParams::VC10, nullptr, nullptr, nullptr, nullptr,
     "VC10", "initial voltage of C1", true},
    {"Vmax", "NEvmax", "Vmax", "V", ParamKind::real, &SimParams::Vmax, nullptr, nullptr, nullptr, nullptr, "vmax",
     "value range used with --use-vmax", false},
    {"points", "NEpontos", "Points", "N", ParamKind::integer, nullptr, &SimParams::points, nullptr, nullptr,
     nullptr, "points", "number of stored samples, at most 50000", true},
    {"steps", "NEsteps", "Internal steps", "S", ParamKind::integer, nullptr, &SimParams::steps, nullptr, nullptr,
     nullptr, "steps", "integration steps between two samples", true},
    {"square", "CBsquare", "Square vin", "", ParamKind::flag, nullptr, nullptr, &SimParams::square, nullptr,
     nullptr, "square", "square wave instead of a sine", true},
    {"feedback", "CBfb", "Use primary current feedback after t=", "", ParamKind::flag, nullptr, nullptr,
     &SimParams::feedback, nullptr, nullptr, nullptr, "", true},
    {"use_vmax", "CBuse", "Use Vmax", "", ParamKind::flag, nullptr, nullptr, &SimParams::use_vmax, nullptr,
     nullptr, "use-vmax", "view range -vmax..vmax instead of the run's range", false},
    {"find_maxima", "CBmaxima", "Find maxima", "", ParamKind::flag, nullptr, nullptr, &SimParams::find_maxima,
     nullptr, nullptr, "maxima", "write the maxima and energy report", false},
    {"stop_mode", "RGstop", "After stopping driver", "open|short|diodes", ParamKind::choice, nullptr, nullptr,
     nullptr, &SimParams::stop_mode, kStopModeWords, "stop-mode",
     "stopped driver: open (Ropen), short-circuited, or open with free-wheeling diodes", true},
};

inline constexpr int kParamCount = static_cast<int>(sizeof kParamTable / sizeof kParamTable[0]);

// The entry of a key or of a control's object name; nullptr when none.
const ParamSpec* find_param(const std::string& key_or_control);

// True for the circuit's elements, k12 and fin (C1 to RL, k12, fin): the
// inputs of the circuit model without the run's timing and drive.
bool is_circuit_param(const ParamSpec& entry);

// The default of an entry as the window's field shows it ("1E-14", "600"),
// "off"/"on" for a flag, the word of a choice.
std::string param_default_text(const ParamSpec& entry);

}  // namespace zelvar
