// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The circuit of a simulation run as a plain ngspice deck.
//
// The deck holds the circuit the run integrates, element for element, with
// the values of `SimParams` in SI units (F, H, ohm, V, s, Hz), written with
// the fewest digits that read back to the same 80-bit value:
//   - the driver between node vin and ground: a SIN source, a PULSE for the
//     square wave, or, when the driver stops within the run or the
//     primary-current feedback acts, a behavioural source Bdrv that follows
//     a wave source Vwave (node wave) and switches on `time` and i(L1);
//   - the primary loop vin, L1, R1, node v1, C1 to ground;
//   - C2 from node v2 to ground, R2 and L2 from v2 to ground, K12 coupling
//     L1 and L2 by k12;
//   - L3 and R3 from node v3 to node v2, C3 from v3 to ground, RL from v3 to
//     node vl, CL from vl to ground.
// The inner nodes l1r1, r2l2 and l3r3 lie between an inductor and its
// resistance; a resistance of 0 is left out (its inductor takes its place).
// No K element when k12 is 0.  The voltages v(v1), v(v2), v(v3), v(vl) and
// the currents i(L1), i(L2), i(L3) are the run's channels v1 … i3 with their
// signs; i(Vsrc), where the source is Vsrc, is −i1.
//
// The initial VC1(0) is C1's IC; the transient is `.tran` with the run's
// sample interval as print step, Max time as end, the run's fixed step as the
// largest step and `uic`, under `.options method=trap`.
//
// Where ngspice cannot express the run exactly, the deck comes as close as it
// can, says so in a comment and lists it in `warnings`:
//   - the stopped driver in the modes open and diodes acts here on the
//     present primary current; the run's on the current of the previous step;
//   - the feedback switches here on the sign of the present primary current;
//     the run's on that of the previous step.
#include <optional>
#include <string>
#include <vector>

#include "sim/sim_params.h"

namespace zelvar {

struct NetlistOptions {
    // The analysis part, written after the circuit and before `.end`:
    //   - not given: the run's transient (`.options method=trap`, `.tran`,
    //     `.print tran` of the eight quantities);
    //   - given: these lines instead (one or several, '\n' separated; an
    //     empty string leaves the circuit alone), e.g. ".ac dec 200 1k 10meg".
    std::optional<std::string> analysis;
    // Small-signal source for an `.ac` analysis: the driver is
    // "Vsrc vin 0 DC 0 AC 1" (1 V, phase 0) instead of the run's wave and
    // stopped driver, and no transient is written even when `analysis` is not
    // given.  The run's point checks do not apply then.
    bool ac_source = false;
    // End the deck with ".end" (leave it out to append lines).
    bool end_line = true;
};

struct Netlist {
    // Empty when one of the run's own checks stopped it: then `stop_line` is
    // the run's report line ("Too few points …", "Too many points.").
    std::string deck;
    std::string stop_line;
    // Where the deck differs from the run (one sentence each, also written
    // as comments in the deck).
    std::vector<std::string> warnings;
};

// The deck of the run of `params`.  The inputs pass the run's checks first
// (point checks, then the model: a zero C1 or a k12 of 1 raises the same
// zelvar::Error as the run).
Netlist make_netlist(const SimParams& params, const NetlistOptions& options = {});

// A real as written in the deck: the shortest text that reads back to x,
// independent of the locale ("5e-09", "200", "0.000149158861917303").
std::string spice_number(long double x);

}  // namespace zelvar
