#pragma once
// The retune of a built network: with its secondary side (C2, L2, C3, L3)
// held as built, the primary side a builder can change (L1 by its tap, or
// C1; k12 by the primary's height; the drive frequency fin; and the stop
// time, where the driver stops within the run) chosen to maximize the
// transfer efficiency of a simulation run (fit/as_built.h).  A driver that
// runs past the peak of v3 is, for the search, stopped at that peak first
// (the run up to the peak is the same), so that the stop time is a knob.
//
// 1. Closed-form start: the primary that gives the as-built secondary the
//    design's mode ratios.  With the design's whole-network modes
//    x_i = s·ρ_i (x = ω², ρ the design's ratios, s unknown), the cubic's
//    coefficients (fit/network_modes.h) give, with e1, e2, e3 the
//    elementary symmetric functions of ρ, a = ω2², b = ω3², c = (1 + r)·b:
//      ω1² = q·s³·e3/(a·b),  q = 1 − k² = a / (s·e1 − c − s³·e3/(a·b)),
//      q·(s²·e2 − s³·e3·(a + c)/(a·b)) = a·b,
//    one equation in s, whose roots are bracketed on a scan and bisected;
//    the root with k nearest the as-built k12 is taken.  fin and the stop
//    time follow the lowest mode (fin·√(s/s_design), stop·√(s_design/s)).
// 2. A bounded Nelder–Mead search (J. A. Nelder and R. Mead, "A simplex
//    method for function minimization", Computer Journal 7, 1965) on the
//    simulated efficiency over ln L1 (or ln C1), ln k12, ln fin and ln stop;
//    points outside the bounds
//    are projected onto them (L1 or C1 within ×⅓…×3 of the as-built value,
//    0.01 ≤ k12 ≤ 0.9, fin within ×0.7…×1.4, the stop time within the run).
// The as-built point and the closed-form start are candidates too, so the
// predicted efficiency is never below the as-built one.
#include <atomic>
#include <cstdint>

#include "fit/as_built.h"
#include "sim/element_values.h"
#include "sim/sim_params.h"

namespace zelvar::fit {

enum class PrimaryKnob : int { L1 = 0, C1 };

struct RetuneSettings {
    PrimaryKnob knob = PrimaryKnob::L1;
    std::int32_t max_runs = 300;  // simulation runs of the search
};

struct RetunePoint {
    long double L1 = 0, C1 = 0, k12 = 0, fin = 0, tstop = 0;
    long double efficiency = 0;  // percent; 0 for a run that did not complete
    long double t_peak = 0;      // time of the peak of v3
    bool completed = false;
};

struct RetuneResult {
    RetunePoint as_built;  // the built network at the design's fin and stop time
    RetunePoint start;     // the closed-form start (as_built when there is none)
    bool start_found = false;
    RetunePoint best;      // the highest efficiency of all the candidates
    std::int32_t runs = 0;
    bool cancelled = false;
};

// Cancel flag and progress (runs done), shared with a caller's thread.
struct RetuneControl {
    std::atomic<bool> cancel{false};
    std::atomic<std::int32_t> runs{0};
};

// The closed-form start for the built network; false when the equation has
// no root with 0 < k < 1 and ω1² > 0.
bool mode_ratio_start(const ElementValues& design, const ElementValues& built, PrimaryKnob knob, long double fin,
                      long double tstop, RetunePoint& start);

// The retune of `built` run with the other inputs of `run` (the design's
// fin and stop time); `design` gives the mode ratios to restore.  An invalid
// network raises zelvar::Error.  With the cancel flag set it ends early with
// the best point so far and `cancelled` set.
RetuneResult retune(const SimParams& run, const ElementValues& design, const ElementValues& built,
                    const RetuneSettings& settings, RetuneControl* control = nullptr);

// The inputs of a run with a retune point's primary side and fin and stop.
SimParams with_retune(SimParams run, const RetunePoint& p);

}  // namespace zelvar::fit
