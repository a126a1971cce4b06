// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The coil set a builder winds for a designed network: the winding sheet.
//
// From the element values of a design (C1, L1, C2, L2, C3, L3, k12, fin) and
// the builder's choices for each coil, the solve finds
//  - the secondary's turns N2 (and so its length) that give L2, its own
//    capacitance, and the capacitor to add across it, C2 − Cself2;
//  - the extra coil's turns N3 that give L3, and the top terminal that gives
//    C3 − Cself3, with its dimensions;
//  - the primary's turns N1 (fractional: a tapped primary) that give L1 and
//    its axial offset from the secondary's lowest turn that gives k12, found
//    together since each changes the other;
//  - the AC resistances R1, R2, R3 of the wire at fin.
// Every target is met to 1E-9 relative; what cannot be met raises
// zelvar::Error with a message that says what to change, and nothing is
// returned half-computed.
//
// Geometry convention, the same in the code, the JSON and the drawing:
//  - every diameter is to the conductor's centre;
//  - the secondary's lowest turn is at height 0; each coil's turn i lies at
//    i × pitch above its own lowest turn;
//  - the primary's `diameter` is its innermost turn's, its lowest turn at
//    height `offset` (negative: below the secondary's lowest turn);
//  - a spiral's turns lie at one height with the radius growing by `pitch`
//    per turn; a helix's turns rise by `pitch` per turn at one radius;
//  - the primary's conductor diameter is its `wire`;
//  - the extra coil stands apart from the secondary (no mutual inductance
//    between them), its lowest turn at height 0 of its own; the top terminal
//    sits on it.
// All figures are SI: metres, henries, farads, ohms, hertz.
#include <string>

namespace zelvar::coil {

enum class PrimaryShape : int { spiral = 0, helix };
enum class TopKind : int { toroid = 0, sphere };

// A single-layer solenoid's choices: winding diameter, bare wire diameter,
// pitch (centre to centre of neighbouring turns; at least the wire).
struct SolenoidChoice {
    long double diameter = 0;
    long double wire = 0;
    long double pitch = 0;
};

struct PrimaryChoice {
    PrimaryShape shape = PrimaryShape::spiral;
    long double diameter = 0;   // innermost turn
    long double conductor = 0;  // conductor diameter
    long double pitch = 0;      // radial (spiral) or axial (helix) step per turn
};

struct TopChoice {
    TopKind kind = TopKind::toroid;
    long double ratio = 0;  // toroid: tube diameter / outer diameter
};

struct WindingChoices {
    SolenoidChoice secondary;
    SolenoidChoice extra;
    PrimaryChoice primary;
    TopChoice top;
};

// Choices that give a buildable set for the default design.
WindingChoices default_winding_choices();

// The element values to realize and the frequency the losses are taken at
// (the design's excitation frequency).
struct WindingTargets {
    long double C1 = 0, L1 = 0, C2 = 0, L2 = 0, C3 = 0, L3 = 0, k12 = 0, fin = 0;
};

// The figures of one coil (the JSON keys of one coil).
struct CoilFigures {
    long double turns = 0;
    long double diameter = 0;
    long double pitch = 0;
    long double wire = 0;
    long double length = 0;            // winding length N × pitch (helix/solenoid), radial width (spiral)
    long double inductance = 0;
    long double self_capacitance = 0;  // 0 for the primary
    long double wire_length = 0;
    long double copper_mass = 0;       // kg
    long double r_dc = 0;
    long double r_ac = 0;              // at the frequency of the sheet
    long double q = 0;                 // ω L / r_ac
};

struct PrimaryFigures : CoilFigures {
    PrimaryShape shape = PrimaryShape::spiral;
    long double offset = 0;  // height of its lowest turn above the secondary's lowest
};

struct ToploadFigures {
    TopKind kind = TopKind::toroid;
    long double outer_diameter = 0;  // toroid's outer diameter; sphere's diameter
    long double tube_diameter = 0;   // 0 for a sphere
    long double capacitance = 0;
};

struct WindingSheet {
    WindingTargets targets;
    WindingChoices choices;
    CoilFigures secondary;
    CoilFigures extra;
    PrimaryFigures primary;
    long double k12 = 0;     // achieved
    long double mutual = 0;  // M between primary and secondary
    long double c2_external = 0;  // C2 − Cself2
    long double c3_topload = 0;   // C3 − Cself3
    ToploadFigures topload;
    long double R1 = 0, R2 = 0, R3 = 0;  // the windings' AC resistance at fin
};

// The whole solve; raises zelvar::Error (faults follow the program's rules).
WindingSheet solve_windings(const WindingTargets& targets, const WindingChoices& choices);

// The primary alone, for a secondary already wound: its fractional turns and
// offset that give L1 and k12 with that secondary, its wire figures at f.
// Used by the solve and by the retune of a built set.  L1 depends on N1
// alone (the primary's own rings), so N1 is found first and the offset
// then, the coupling depending on both; the primary is kept at or below the
// secondary's lowest turn (offset <= 0), where the coupling is largest at 0.
PrimaryFigures solve_primary(const PrimaryChoice& choice, const CoilFigures& secondary, long double L1,
                             long double k12, long double f);

// The figures of one single-layer solenoid of `turns` turns (fractional:
// the partial last turn counts by its fraction) at frequency f: the
// analysis of a coil already wound, and the sheet's secondary and extra
// coil.  Its self-capacitance raises zelvar::Error outside Medhurst's table.
CoilFigures solenoid_figures(const SolenoidChoice& choice, long double turns, long double f);

// The same for a coil given by the user: the choice and the turns checked
// first (positive, the pitch at least the wire, at least one turn), faults
// following the program's rules.
CoilFigures analyse_solenoid(const SolenoidChoice& choice, long double turns, long double f);

// The default pitch of a winding of bare wire diameter d: the wire plus its
// enamel, taken as 10 % of the wire's diameter (grade 2 magnet wire).
long double default_pitch(long double wire);

// The self-resonant frequency 1/(2π·√(L·Cself)) of a coil.
long double self_resonance(const CoilFigures& coil);

}  // namespace zelvar::coil
