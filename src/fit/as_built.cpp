#include "fit/as_built.h"

#include "report/report_log.h"

namespace zelvar::fit {

ElementValues elements_of(const SimParams& p) {
    ElementValues v;
    v.C1 = p.C1, v.C2 = p.C2, v.C3 = p.C3, v.L1 = p.L1, v.L2 = p.L2, v.L3 = p.L3, v.k12 = p.k12;
    return v;
}

SimParams with_elements(SimParams run, const ElementValues& v) {
    run.C1 = v.C1, run.C2 = v.C2, run.C3 = v.C3, run.L1 = v.L1, run.L2 = v.L2, run.L3 = v.L3, run.k12 = v.k12;
    return run;
}

NetworkFigures network_figures(const SimParams& run, const ElementValues& v) {
    NetworkFigures n;
    n.values = v;
    n.frequencies = network_frequencies(v);
    n.ratio2 = n.frequencies[kF2] / n.frequencies[kF1];
    n.ratio3 = n.frequencies[kF3] / n.frequencies[kF1];
    LineCollector discarded;
    SimParams p = with_elements(run, v);
    p.find_maxima = false;
    n.run = run_with_figures(p, discarded);
    return n;
}

}  // namespace zelvar::fit
