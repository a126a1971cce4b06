#pragma once
// What `zelvar-cli fit` and the "Measured resonances" window show: the fit,
// the design's and the built network's figures, the retune, as report lines
// and as JSON.
//
// The JSON object's keys:
//   "unknowns"       list of the fitted element names
//   "measured"       measurement name to frequency (Hz), the measured ones
//   "fitted"         element name to value (all seven; the held ones as given)
//   "uncertainty"    element name to standard uncertainty (0 where held)
//   "residuals"      measurement name to relative error (model − measured)/measured
//   "solutions"      when more than one set fits: a list of objects with
//                    "fitted", "uncertainty", "residuals"; then "tells_apart"
//                    names the set-up to measure, and the keys below are absent
//   "design", "as_built"  "frequencies" (measurement name to Hz), "ratios"
//                    ([f2/f1, f3/f1]) and "efficiency" (percent, null when the
//                    run did not complete)
//   "efficiency_as_built"  the same as as_built.efficiency
//   "retune"         "knob" ("L1" or "C1"), "L1", "C1", "k12", "fin", "stop",
//                    "efficiency", "start_efficiency" (the closed-form start),
//                    and "tap_turns", "offset" (metres) when windings are given
//                    (null when they cannot give the retune's L1 and k12)
//   "value_file"     the as-built values as the text of a value file (the
//                    design's fin), which `simulate --values` reads
// Reals are written with 21 significant digits.
#include <optional>
#include <string>

#include "fit/as_built.h"
#include "fit/resonance_fit.h"
#include "fit/retune.h"
#include "report/report_log.h"
#include "sim/sim_params.h"

namespace zelvar::fit {

// The primary's tap (turns, fractional) and its offset (metres) for one
// L1 and k12 with the design's windings.
struct PrimaryPlace {
    long double turns = 0, offset = 0;
    std::string refused;  // not empty: the windings cannot give this L1 and k12 (their message)
};

struct FitOutcome {
    SimParams run;  // the design's run: its elements are the nominal network
    FitInput input;
    FitResult fit;
    // The rest only when exactly one solution fits.
    NetworkFigures design, built;
    RetuneResult retune;
    RetuneSettings retune_settings;
    // With windings: the primary of the design, as built (its k12), retuned.
    std::optional<PrimaryPlace> design_primary, built_primary, retune_primary;
    bool has_figures() const { return fit.solutions.size() == 1; }
};

// Fit, figures and retune.  The nominal network is run's elements; in's
// nominal is set from them.  The fit's refusals raise zelvar::Error; an
// ambiguous fit returns without figures.  control (may be null) cancels the
// retune and counts its runs.
FitOutcome analyse(const SimParams& run, FitInput in, const RetuneSettings& settings,
                   RetuneControl* control = nullptr);

// The report lines.
void write_fit_report(const FitOutcome& o, ReportSink& log);

// The JSON text (a final newline).
std::string fit_json(const FitOutcome& o);

// The value file of the built network with the design's fin.
std::string as_built_value_file(const FitOutcome& o);

}  // namespace zelvar::fit
