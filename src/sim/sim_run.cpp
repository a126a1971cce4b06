#include "sim/sim_run.h"

#include "app/faults.h"
#include "sim/circuit_model.h"
#include "sim/maxima_report.h"
#include "sim/sine_ahead.h"
#include "sim/source_voltage.h"
#include "sim/step_matrix.h"
#include "sim/trapezoidal_step.h"

namespace zelvar {

namespace {

// Steps 2..N of a run: S trapezoidal steps per sample, then the sample is
// stored, the maxima and the value range updated.
template <class Kernel>
void integrate(const Kernel& kernel, const SimParams& params, long double h, long double (&x)[kStates],
               MaximaTracker& maxima, SimState& state) {
    const SimParams p = params;  // a local copy: the stores below cannot change it
    SampleStore& store = state.samples;
    ViewRecord& view = state.view;
    long double t = 0;
    long double u = 0;
    long double u_prev = 0;
    long double i_fb = 0;  // the fed-back primary current
    SineAhead ahead(p, h, static_cast<std::int64_t>(store.count - 1) * p.steps);
    std::int64_t n = 0;  // steps taken
    for (std::int32_t i = 2; i <= store.count; ++i) {
        for (std::int32_t s = 0; s < p.steps; ++s) {
            const long double t_next = t + h;
            u = ahead.source(p, t_next, i_fb, n++);
            kernel.step(x, u + u_prev);
            t = t_next;
            u_prev = u;
            i_fb = x[4];
        }
        fp_check();
        store.time[i] = t;
        store.values[i][0] = u;
        for (int j = 0; j < kStates; ++j) store.values[i][j + 1] = x[j];
        for (int j = 0; j < kStates; ++j) {
            maxima.update(j, x, t);
            if (x[j] > view.ymax)
                view.ymax = x[j];
            else if (x[j] < view.ymin)
                view.ymin = x[j];
        }
    }
}

// A sample without steps (S of 0 or less): the initial state again.
struct NoStep {
    void step(long double (&)[kStates], long double) const {}
};

}  // namespace

bool run_simulation(const SimParams& p, SimState& state, ReportSink& log) {
    fp_clear();
    state.results_valid = false;
    ViewRecord& view = state.view;
    view.t0 = 0;
    view.t1 = p.tmax;

    // Points check: at least 50 internal steps per period of the source.
    const std::int32_t total_steps = imul(p.points, p.steps);
    const long double periods = p.tmax * p.fin;
    const long double steps_per_period = static_cast<long double>(total_steps) / periods;
    fp_check();
    if (steps_per_period < 50) {
        report_line(log, "Too few points (increase points or internal steps or decrease max time).");
        return false;
    }
    if (p.points > kStoreCapacity) {
        report_line(log, "Too many points.");
        return false;
    }
    const std::int32_t n_points = p.points;
    state.samples.count = n_points;

    const long double h = (view.t1 - view.t0) / imul(isub(n_points, 1), p.steps);
    fp_check();
    view.ymin = 1e12L;
    view.ymax = -1e12L;

    const CircuitModel model = build_model(p);
    Matrix7 Q;
    build_step_matrix(model.A, h, Q);
    if (!invert_in_place(kStates, Q, log)) return false;

    long double x[kStates] = {p.VC10, 0, 0, 0, 0, 0, 0};
    MaximaTracker maxima;
    maxima.start(p.VC10);

    fp_check();
    SampleStore& store = state.samples;
    store.time[1] = 0;
    store.values[1][0] = 0;
    store.values[1][1] = p.VC10;
    for (int v = 2; v < 8; ++v) store.values[1][v] = 0;

    if (n_points >= 2) {
        if (p.steps >= 1) {
            // A VC1(0) of −0 enters the steps as +0 (sample 1 and the maxima
            // keep it as entered).  The full sums turn it into +0 within the
            // first two terms of row 1 and elsewhere only multiply it by
            // entries whose ±0 products vanish in sums that start at +0.
            if (x[0] == 0) x[0] = 0;
            const long double h2 = h / 2;
            FastStep fast;
            if (fast.prepare(model, Q, h2)) {
                integrate(fast, p, h, x, maxima, state);
            } else {
                SparseStep sparse;
                sparse.prepare(model, Q, h2);
                integrate(sparse, p, h, x, maxima, state);
            }
        } else {
            integrate(NoStep{}, p, h, x, maxima, state);
        }
    }

    fp_check();
    state.save_ref_enabled = true;
    if (p.use_vmax) {
        view.ymax = p.Vmax;
        view.ymin = -p.Vmax;
    }
    if (p.find_maxima) write_maxima_report(maxima, p.C1, p.C2, p.C3, log);
    fp_check();
    state.results_valid = true;
    return true;
}

}  // namespace zelvar
