// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The design state: every working value of one network design run.
//
// Arrays keep the indices the design uses: w, Aj, E, C and L run from 1 to 3
// (slot 0 unused), den from 0 to 3, num from 0 to 2.  All frequencies are in
// units of w0 until the denormalization.
#include "design/design_run.h"

namespace zelvar {

struct DesignState {
    // Inputs.
    long double k = 0, l = 0, m = 0, n = 0;
    long double C1 = 0, C3 = 0, L3 = 0;
    int excitation_index = 0;

    // Residues.
    long double excitation = 0;  // the excitation multiplier
    long double w[4] = {};       // natural multipliers w[1..3]
    long double Aj[4] = {};      // residues Aj[1..3]
    long double E[4] = {};       // C1 correction vector E[1..3]

    // Impedance polynomials (coefficients of s^(2i) and s^(2i+1)).
    long double den[4] = {};
    long double num[3] = {};
    int degree = 0;

    // Element values: normalized ladder, then the final values.
    long double C[4] = {};
    long double L[4] = {};

    // Denormalization.
    long double capacitance_scale = 0, inductance_scale = 0;
    long double k12 = 0, turns_ratio = 0, w0 = 0, fin = 0;
};

// The stages of a design run, in the order the run chains them.

// Copies the inputs into the state (starting it from zero).
void read_design_inputs(DesignState& s, const DesignInputs& in);

// Excitation multiplier, natural multipliers w[1..3] and residues Aj[1..3].
void compute_residues(DesignState& s);

// Excitation at l only: the limit lines and the corrections that leave
// energy in C1 and/or C2.
void apply_energy_left_options(DesignState& s, const DesignInputs& in, ReportSink& log);

// The "Residues:" block; false (after "The design is irrealizable.") when a
// residue is negative.
bool check_realizable(const DesignState& s, ReportSink& log);

// den, num and the degree counter from the residues; the "Impedance:" block.
void build_impedance(DesignState& s, ReportSink& log);

// Continued-fraction expansion into the normalized ladder (destroys den and
// num); the "Normalized element values" block.
void extract_ladder(DesignState& s, ReportSink& log);

// Scales the ladder and replaces its input section by coupled inductors;
// false (after "Impossible to include a transformer") when the coupling is
// not strictly between 0 and 1.
bool insert_transformer(DesignState& s, ReportSink& log);

// w0 and fin; the "Final element values:" block.
void report_final_values(DesignState& s, ReportSink& log);

// The values a complete design hands over to the simulation parameters.
DesignResults design_results(const DesignState& s);

}  // namespace zelvar
