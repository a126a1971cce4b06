#include "fit/primary_place.h"

#include <exception>

namespace zelvar::fit {

namespace {

PrimaryPlace place(const coil::WindingSheet& sheet, long double L1, long double k12, long double f) {
    PrimaryPlace p;
    try {
        const coil::PrimaryFigures figures = coil::solve_primary(sheet.choices.primary, sheet.secondary, L1, k12, f);
        p.turns = figures.turns;
        p.offset = figures.offset;
    } catch (const std::exception& e) {
        p.refused = e.what();
    }
    return p;
}

}  // namespace

void place_primary(FitOutcome& o, const coil::WindingChoices& choices) {
    if (!o.has_figures()) return;
    coil::WindingTargets targets;
    const ElementValues& d = o.input.nominal;
    targets.C1 = d.C1, targets.L1 = d.L1, targets.C2 = d.C2, targets.L2 = d.L2, targets.C3 = d.C3, targets.L3 = d.L3;
    targets.k12 = d.k12, targets.fin = o.run.fin;
    const coil::WindingSheet sheet = coil::solve_windings(targets, choices);
    o.design_primary = PrimaryPlace{sheet.primary.turns, sheet.primary.offset, {}};
    const ElementValues& b = o.fit.solutions[0].values;
    o.built_primary = place(sheet, b.L1, b.k12, o.run.fin);
    const RetunePoint& r = o.retune.best;
    o.retune_primary = place(sheet, r.L1, r.k12, r.fin);
}

}  // namespace zelvar::fit
