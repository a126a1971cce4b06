// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/field_tooltips.h"

#include <cstring>

namespace zelvar {

namespace {

struct Tip {
    const char* window;  // nullptr: any window
    const char* field;
    const char* text;
};

const Tip kTips[] = {
    // Design window.
    {"Fdesign", "NEk", "Multiplier k of the mode k:l:m:n. Unit: none (a multiple of w0)"},
    {"Fdesign", "NEl", "Multiplier l of the mode k:l:m:n. Unit: none (a multiple of w0)"},
    {"Fdesign", "NEm", "Multiplier m of the mode k:l:m:n. Unit: none (a multiple of w0)"},
    {"Fdesign", "NEn", "Multiplier n of the mode k:l:m:n. Unit: none (a multiple of w0)"},
    {"Fdesign", "NEC1", "Primary capacitance C1. Unit: F (farad)"},
    {"Fdesign", "NEC3", "Output (top) capacitance C3. Unit: F (farad)"},
    {"Fdesign", "NEL3", "Output inductance L3. Unit: H (henry)"},
    {"Fdesign", "NEg1", "Factor of the energy left in C1 (excitation at l*w0). Unit: none (a ratio)"},
    {"Fdesign", "NEg2", "Factor of the energy left in C2 (excitation at l*w0). Unit: none (a ratio)"},
    // Ideal magnifier window.
    {"Fidealmag", "NEk", "Multiplier k of the mode k:l:m. Unit: none (a whole multiple of w0)"},
    {"Fidealmag", "NEl", "Multiplier l of the mode k:l:m. Unit: none (a whole multiple of w0)"},
    {"Fidealmag", "NEm", "Multiplier m of the mode k:l:m. Unit: none (a whole multiple of w0)"},
    {"Fidealmag", "NEC1", "Primary capacitance C1. Unit: F (farad)"},
    {"Fidealmag", "NEL3", "Output inductance L3. Unit: H (henry)"},
    {"Fidealmag", "NEC3", "Output (top) capacitance C3. Unit: F (farad)"},
    {"Fidealmag", "NEVC1", "Initial voltage of C1, -VC1(0). Unit: V (volt)"},
    // Simulation parameter window.
    {"Fparam", "NEC1", "Primary capacitance C1. Unit: F (farad)"},
    {"Fparam", "NEL1", "Primary inductance L1. Unit: H (henry)"},
    {"Fparam", "NER1", "Primary resistance R1. Unit: \u03a9 (ohm)"},
    {"Fparam", "NEC2", "Secondary capacitance C2. Unit: F (farad)"},
    {"Fparam", "NEL2", "Secondary inductance L2. Unit: H (henry)"},
    {"Fparam", "NER2", "Secondary resistance R2. Unit: \u03a9 (ohm)"},
    {"Fparam", "NEC3", "Output (top) capacitance C3. Unit: F (farad)"},
    {"Fparam", "NEL3", "Output inductance L3. Unit: H (henry)"},
    {"Fparam", "NER3", "Resistance of the output inductor R3. Unit: \u03a9 (ohm)"},
    {"Fparam", "NEk12", "Coupling coefficient k12 of L1 and L2. Unit: none (a ratio below 1)"},
    {"Fparam", "NECL", "Load capacitance. Unit: F (farad)"},
    {"Fparam", "NERL", "Load resistance. Unit: \u03a9 (ohm)"},
    {"Fparam", "NEfin", "Frequency of the source. Unit: Hz (hertz)"},
    {"Fparam", "NEtmax", "Duration of the run (Max time). Unit: s (second)"},
    {"Fparam", "NEstop", "Time at which the driver stops. Unit: s (second)"},
    {"Fparam", "NEopen", "Resistance of the open driver. Unit: \u03a9 (ohm)"},
    {"Fparam", "NEvin", "Amplitude of the source. Unit: V (volt)"},
    {"Fparam", "NEstart", "Rise time of the source's envelope. Unit: s (second)"},
    {"Fparam", "NEVC10", "Initial voltage of C1. Unit: V (volt)"},
    {"Fparam", "NEvmax", "Half the height of the plot with \"Use Vmax\". Unit: V (volt)"},
    {"Fparam", "NEmvin", "Scale factor of vin in the plot. Unit: none (a factor)"},
    {"Fparam", "NEv1", "Scale factor of v1 in the plot. Unit: none (a factor)"},
    {"Fparam", "NEv2", "Scale factor of v2 in the plot. Unit: none (a factor)"},
    {"Fparam", "NEv3", "Scale factor of v3 in the plot. Unit: none (a factor)"},
    {"Fparam", "NEv4", "Scale factor of the load voltage in the plot. Unit: none (a factor)"},
    {"Fparam", "NEi1", "Scale factor of i1 in the plot. Unit: none (a factor)"},
    {"Fparam", "NEi2", "Scale factor of i2 in the plot. Unit: none (a factor)"},
    {"Fparam", "NEi3", "Scale factor of i3 in the plot. Unit: none (a factor)"},
    {"Fparam", "NEpontos", "Number of stored samples of the run. Unit: none (a count)"},
    {"Fparam", "NEsteps", "Integration steps per stored sample. Unit: none (a count)"},
    // Tolerance analysis.
    {"Ftolerance", "NEtolC1", "Tolerance of C1. Unit: % (of its nominal value)"},
    {"Ftolerance", "NEtolL1", "Tolerance of L1. Unit: % (of its nominal value)"},
    {"Ftolerance", "NEtolC2", "Tolerance of C2. Unit: % (of its nominal value)"},
    {"Ftolerance", "NEtolL2", "Tolerance of L2. Unit: % (of its nominal value)"},
    {"Ftolerance", "NEtolC3", "Tolerance of C3. Unit: % (of its nominal value)"},
    {"Ftolerance", "NEtolL3", "Tolerance of L3. Unit: % (of its nominal value)"},
    {"Ftolerance", "NEtolk12", "Tolerance of the coupling k12. Unit: % (of its nominal value)"},
    {"Ftolerance", "NEtolfin", "Tolerance of the source frequency fin. Unit: % (of its nominal value)"},
    {"Ftolerance", "NEruns", "Number of Monte Carlo runs. Unit: none (a count)"},
    {"Ftolerance", "NEseed", "Seed of the random draws. Unit: none (a whole number)"},
    {"Ftolerance", "NEthreshold", "Efficiency a run must reach to count for the yield. Unit: % (of the energy)"},
    // Mode explorer.
    {"Fmodes", "NEk12max", "Largest coupling coefficient k12 shown. Unit: none (a ratio)"},
    // Frequency response.
    {"Fresponse", "NEfrom", "Lowest frequency of the curve (0: half the lowest natural frequency). Unit: Hz (hertz)"},
    {"Fresponse", "NEto", "Highest frequency of the curve (0: twice the highest natural frequency). Unit: Hz (hertz)"},
    {"Fresponse", "NEpoints", "Number of frequencies, logarithmically spaced. Unit: none (a count)"},
    // Measured resonances.
    {"Fmeasured", "NEf1", "Lowest resonance of the whole network, driven at the primary (0: not measured). Unit: Hz (hertz)"},
    {"Fmeasured", "NEf2", "Middle resonance of the whole network (0: not measured). Unit: Hz (hertz)"},
    {"Fmeasured", "NEf3", "Highest resonance of the whole network (0: not measured). Unit: Hz (hertz)"},
    {"Fmeasured", "NEopen_low", "Lower resonance with the primary open (0: not measured). Unit: Hz (hertz)"},
    {"Fmeasured", "NEopen_high", "Higher resonance with the primary open (0: not measured). Unit: Hz (hertz)"},
    {"Fmeasured", "NEshort_low", "Lower resonance with the primary shorted (0: not measured). Unit: Hz (hertz)"},
    {"Fmeasured", "NEshort_high", "Higher resonance with the primary shorted (0: not measured). Unit: Hz (hertz)"},
    {"Fmeasured", "NEextra", "Resonance of the extra coil alone with its terminal (0: not measured). Unit: Hz (hertz)"},
    {"Fmeasured", "NEuncertainty", "Uncertainty of each measured frequency. Unit: % (of the frequency)"},
    // Windings.
    {"Fwindings", "NEsecdiameter", "Winding diameter of the secondary, to the wire centres. Unit: m (metre)"},
    {"Fwindings", "NEsecwire", "Bare wire diameter of the secondary. Unit: m (metre)"},
    {"Fwindings", "NEsecpitch", "Pitch of the secondary's turns, centre to centre. Unit: m (metre)"},
    {"Fwindings", "NEextdiameter", "Winding diameter of the extra coil, to the wire centres. Unit: m (metre)"},
    {"Fwindings", "NEextwire", "Bare wire diameter of the extra coil. Unit: m (metre)"},
    {"Fwindings", "NEextpitch", "Pitch of the extra coil's turns, centre to centre. Unit: m (metre)"},
    {"Fwindings", "NEpridiameter", "Diameter of the primary's innermost turn, to the conductor centre. Unit: m (metre)"},
    {"Fwindings", "NEpriconductor", "Conductor diameter of the primary. Unit: m (metre)"},
    {"Fwindings", "NEpripitch", "Step of the primary per turn (radial for a spiral, axial for a helix). Unit: m (metre)"},
    {"Fwindings", "NEtopratio", "Tube diameter of the toroid over its outer diameter. Unit: none (a ratio)"},
};

}  // namespace

const char* field_tooltip(const std::string& window, const std::string& field) {
    for (const Tip& t : kTips)
        if ((t.window == nullptr || window == t.window) && field == t.field) return t.text;
    return nullptr;
}

}  // namespace zelvar
