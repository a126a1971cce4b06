// SPDX-License-Identifier: GPL-3.0-or-later
#include "coil/windings.h"

#include <cmath>
#include <string>

#include "app/faults.h"
#include "coil/coil_rings.h"
#include "coil/coil_text.h"
#include "coil/medhurst.h"
#include "coil/nagaoka.h"
#include "coil/root_find.h"
#include "coil/terminal_capacitance.h"
#include "coil/wire_losses.h"

namespace zelvar::coil {

namespace {

// The most turns a winding is searched over.
constexpr long double kMaxSolenoidTurns = 100000;
constexpr long double kMaxPrimaryTurns = 1000;
// The most pairs of a primary ring and a secondary turn the coupling sums
// (about 0.2 s for each evaluation of the coupling at the most).
constexpr long double kMaxRingPairs = 1e6L;

bool positive(long double x) { return std::isfinite(x) && x > 0; }

void require_positive(long double x, const std::string& what) {
    if (!positive(x)) throw Error(what + " must be a positive number");
}

void check_solenoid(const SolenoidChoice& c, const std::string& name) {
    require_positive(c.diameter, "The " + name + "'s winding diameter");
    require_positive(c.wire, "The " + name + "'s wire diameter");
    require_positive(c.pitch, "The " + name + "'s pitch");
    if (c.pitch < c.wire)
        throw Error("The " + name + "'s pitch (" + millimetres(c.pitch) + ") is less than its wire diameter (" +
                    millimetres(c.wire) + ")");
    if (!(c.wire < c.diameter))
        throw Error("The " + name + "'s wire (" + millimetres(c.wire) + ") is not thinner than its winding diameter (" +
                    millimetres(c.diameter) + ")");
}

// The turns of a solenoid that give inductance L.
long double turns_for(const SolenoidChoice& c, long double L, const std::string& name) {
    const auto excess = [&](long double n) { return solenoid_inductance(c.diameter, n, c.pitch, c.wire) - L; };
    long double lo = 1, hi = 16;
    if (excess(lo) > 0)
        throw Error("The " + name + "'s inductance (" + millihenries(L) +
                    ") is below that of one turn of this winding: choose a smaller winding diameter");
    while (excess(hi) < 0) {
        lo = hi;
        hi *= 2;
        if (hi > kMaxSolenoidTurns)
            throw Error("The " + name + "'s inductance (" + millihenries(L) + ") needs more than " +
                        plain(kMaxSolenoidTurns, 6) + " turns of this winding: choose a larger winding diameter");
    }
    return brent_root(excess, lo, hi);
}

// Length, wire and losses of a coil whose turns, diameter, pitch, wire and
// inductance are set; wire_length set by the caller.
void fill_wire(CoilFigures& c, long double f) {
    c.copper_mass = copper_mass(c.wire, c.wire_length);
    c.r_dc = dc_resistance(c.wire, c.wire_length);
    c.r_ac = ac_resistance(c.wire, c.pitch, c.wire_length, f);
    c.q = 2 * kPi * f * c.inductance / c.r_ac;
}

void check_targets(const WindingTargets& t) {
    require_positive(t.L1, "L1");
    require_positive(t.C2, "C2");
    require_positive(t.L2, "L2");
    require_positive(t.C3, "C3");
    require_positive(t.L3, "L3");
    require_positive(t.fin, "fin");
    if (!(t.k12 > 0 && t.k12 < 1)) throw Error("k12 must lie between 0 and 1");
}

void check_primary(const PrimaryChoice& c, const CoilFigures& secondary) {
    require_positive(c.diameter, "The primary's inner diameter");
    require_positive(c.conductor, "The primary's conductor diameter");
    require_positive(c.pitch, "The primary's pitch");
    if (c.pitch < c.conductor)
        throw Error("The primary's pitch (" + millimetres(c.pitch) + ") is less than its conductor diameter (" +
                    millimetres(c.conductor) + ")");
    if (!(c.diameter - c.conductor > secondary.diameter + secondary.wire))
        throw Error("The primary's inner diameter (" + millimetres(c.diameter) +
                    ") leaves no room for the secondary (" + millimetres(secondary.diameter) +
                    "): choose a larger primary");
}

}  // namespace

WindingChoices default_winding_choices() {
    WindingChoices c;
    c.secondary = {0.3L, 0.001L, default_pitch(0.001L)};
    c.extra = {0.09L, 0.0002L, default_pitch(0.0002L)};
    c.primary = {PrimaryShape::spiral, 0.36L, 0.006L, 0.012L};
    c.top = {TopKind::toroid, 0.25L};
    return c;
}

CoilFigures solenoid_figures(const SolenoidChoice& choice, long double turns, long double f) {
    CoilFigures c;
    c.turns = turns;
    c.diameter = choice.diameter;
    c.pitch = choice.pitch;
    c.wire = choice.wire;
    c.length = turns * choice.pitch;
    c.inductance = solenoid_inductance(choice.diameter, turns, choice.pitch, choice.wire);
    c.self_capacitance = solenoid_self_capacitance(choice.diameter, c.length);
    const long double circumference = kPi * choice.diameter;
    c.wire_length = turns * std::sqrt(circumference * circumference + choice.pitch * choice.pitch);
    fill_wire(c, f);
    return c;
}

CoilFigures analyse_solenoid(const SolenoidChoice& choice, long double turns, long double f) {
    FpEnvironment fp_environment;
    check_solenoid(choice, "coil");
    if (!(std::isfinite(turns) && turns >= 1 && turns <= kMaxSolenoidTurns))
        throw Error("The coil's turns must lie between 1 and " + plain(kMaxSolenoidTurns, 6));
    if (!(std::isfinite(f) && f >= 0)) throw Error("The frequency must be a positive number");
    const CoilFigures c = solenoid_figures(choice, turns, f);
    fp_check();
    return c;
}

long double default_pitch(long double wire) { return wire * 1.1L; }

long double self_resonance(const CoilFigures& coil) {
    return 1 / (2 * kPi * std::sqrt(coil.inductance * coil.self_capacitance));
}

PrimaryFigures solve_primary(const PrimaryChoice& choice, const CoilFigures& secondary, long double L1,
                             long double k12, long double f) {
    FpEnvironment fp_environment;
    check_primary(choice, secondary);
    require_positive(L1, "L1");
    if (!(k12 > 0 && k12 < 1)) throw Error("k12 must lie between 0 and 1");
    const long double radius = choice.conductor / 2;

    // L1 depends on the turns alone (the primary's own rings), so N1 comes
    // first; the coupling then depends on the offset alone.
    const auto excess = [&](long double n) {
        return rings_self_inductance(primary_rings(choice, n, 0), radius) - L1;
    };
    const long double one_turn = excess(1) + L1;
    if (one_turn > L1)
        throw Error("L1 = " + plain(L1 * 1e6L) + " " + "\xB5H is below one turn of this primary (" +
                    plain(one_turn * 1e6L) + " \xB5H): choose a smaller inner diameter");
    long double lo = 1, hi = 2;
    while (excess(hi) < 0) {
        lo = hi;
        hi *= 2;
        if (hi > kMaxPrimaryTurns)
            throw Error("L1 = " + plain(L1 * 1e6L) + " \xB5H cannot be reached with this primary: " +
                        plain(kMaxPrimaryTurns, 6) + " turns give less");
    }
    const long double turns = brent_root(excess, lo, hi);

    if (std::ceil(turns) * std::ceil(secondary.turns) > kMaxRingPairs)
        throw Error("The primary (" + plain(turns, 4) + " turns) and the secondary (" + plain(secondary.turns, 6) +
                    " turns) have too many pairs of turns for the coupling's sum (at most " +
                    plain(kMaxRingPairs, 7) + ")");
    const std::vector<Ring> sec = helix_rings(secondary.diameter, secondary.pitch, secondary.turns, 0);
    const long double norm = std::sqrt(L1 * secondary.inductance);
    const auto coupling = [&](long double offset) {
        return rings_mutual(primary_rings(choice, turns, offset), sec) / norm - k12;
    };
    const long double level = coupling(0) + k12;
    if (level < k12)
        throw Error("k12 = " + plain(k12) + " cannot be reached with this primary: at most " + plain(level) +
                    ", with the primary level with the secondary's lowest turn");
    long double top = 0, bottom = -std::max(secondary.diameter, choice.diameter) / 8;
    while (coupling(bottom) > 0) {
        top = bottom;
        bottom *= 2;
        if (bottom < -1e6L) throw Error("k12 = " + plain(k12) + " is too small to be reached with this primary");
    }
    const long double offset = brent_root(coupling, bottom, top);

    PrimaryFigures p;
    p.shape = choice.shape;
    p.offset = offset;
    p.turns = turns;
    p.diameter = choice.diameter;
    p.pitch = choice.pitch;
    p.wire = choice.conductor;
    p.length = turns * choice.pitch;
    p.inductance = rings_self_inductance(primary_rings(choice, turns, offset), radius);
    p.self_capacitance = 0;
    long double wire_length = 0;
    for (const Ring& r : primary_rings(choice, turns, offset)) wire_length += r.weight * 2 * kPi * r.radius;
    if (choice.shape == PrimaryShape::helix) {
        const long double circumference = kPi * choice.diameter;
        wire_length = turns * std::sqrt(circumference * circumference + choice.pitch * choice.pitch);
    }
    p.wire_length = wire_length;
    fill_wire(p, f);
    fp_check();
    return p;
}

namespace {

// The turns of a solenoid for the inductance L, and its figures; refused
// where its length-to-diameter ratio is outside Medhurst's table or its own
// capacitance leaves nothing of C to add.
CoilFigures wound_coil(const SolenoidChoice& choice, long double L, long double C, long double f,
                       const std::string& name, const char* c_name) {
    const long double n = turns_for(choice, L, name);
    const std::string owner = "The " + name + "'s";
    const long double ld = n * choice.pitch / choice.diameter;
    if (!(ld >= kMedhurstMin && ld <= kMedhurstMax))
        throw Error(owner + " length-to-diameter ratio (" + plain(ld) +
                    ") is outside Medhurst's table of self-capacitance (0.1 to 50): choose another winding diameter or pitch");
    CoilFigures figures = solenoid_figures(choice, n, f);
    if (!(C - figures.self_capacitance > 0))
        throw Error(owner + " own capacitance (" + picofarads(figures.self_capacitance) + ") exceeds " +
                    c_name + " (" + picofarads(C) + "): choose a smaller winding diameter or a longer coil");
    return figures;
}

}  // namespace

WindingSheet solve_windings(const WindingTargets& targets, const WindingChoices& choices) {
    FpEnvironment fp_environment;
    check_targets(targets);
    check_solenoid(choices.secondary, "secondary");
    check_solenoid(choices.extra, "extra coil");
    const long double f = targets.fin;

    WindingSheet s;
    s.targets = targets;
    s.choices = choices;

    s.secondary = wound_coil(choices.secondary, targets.L2, targets.C2, f, "secondary", "C2");
    s.c2_external = targets.C2 - s.secondary.self_capacitance;
    s.extra = wound_coil(choices.extra, targets.L3, targets.C3, f, "extra coil", "C3");
    s.c3_topload = targets.C3 - s.extra.self_capacitance;

    s.topload.kind = choices.top.kind;
    if (choices.top.kind == TopKind::sphere) {
        s.topload.outer_diameter = sphere_diameter_for(s.c3_topload);
        s.topload.tube_diameter = 0;
        s.topload.capacitance = sphere_capacitance(s.topload.outer_diameter);
    } else {
        if (!(choices.top.ratio > 0 && choices.top.ratio < 0.5L))
            throw Error("The toroid's tube-to-outer diameter ratio must lie between 0 and 0.5, not " +
                        plain(choices.top.ratio, 4));
        s.topload.outer_diameter = toroid_outer_diameter_for(s.c3_topload, choices.top.ratio);
        s.topload.tube_diameter = choices.top.ratio * s.topload.outer_diameter;
        s.topload.capacitance = toroid_capacitance(s.topload.outer_diameter, s.topload.tube_diameter);
    }

    s.primary = solve_primary(choices.primary, s.secondary, targets.L1, targets.k12, f);
    s.mutual = rings_mutual(primary_rings(choices.primary, s.primary.turns, s.primary.offset),
                            helix_rings(s.secondary.diameter, s.secondary.pitch, s.secondary.turns, 0));
    s.k12 = s.mutual / std::sqrt(s.primary.inductance * s.secondary.inductance);
    s.R1 = s.primary.r_ac;
    s.R2 = s.secondary.r_ac;
    s.R3 = s.extra.r_ac;
    fp_check();
    return s;
}

}  // namespace zelvar::coil
