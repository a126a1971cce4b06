// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/sim_run.h"

#include <exception>

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
// stored (when Store), the maxima and the value range updated.
//
// While the source does not depend on the state (see source_needs_current),
// the source values of up to kAhead steps of a sample are formed first and
// the steps taken after them: the same operations on the same values as one
// step after the other, and the fault flags they raise are checked together
// when the sample is stored, as before.  The steps then run back to back,
// with nothing else in the floating-point registers.
template <bool Store, class Kernel>
void integrate(const Kernel& kernel, const SimParams& params, std::int32_t n_points, long double h,
               long double (&x)[kStates], MaximaTracker& maxima, SimResult& result) {
    constexpr std::int32_t kAhead = 32;
    const SimParams p = params;  // a local copy: the stores below cannot change it
    SampleStore& store = result.samples;
    ViewRecord& view = result.range;
    long double t = 0;
    long double u = 0;
    long double u_prev = 0;
    long double u_sums[kAhead];
    SineAhead ahead(h);
    std::int64_t n = 0;  // steps taken
    for (std::int32_t i = 1; i < n_points; ++i) {
        for (std::int32_t s = 0; s < p.steps;) {
            std::int32_t k = 0;
            for (; k < kAhead && s + k < p.steps; ++k) {
                const long double t_next = t + h;
                if (source_needs_current(p, t_next)) break;
                u = ahead.source(p, t_next, 0, n++, p.steps - (s + k));
                u_sums[k] = u + u_prev;
                t = t_next;
                u_prev = u;
            }
            for (std::int32_t j = 0; j < k; ++j) kernel.step(x, u_sums[j]);
            s += k;
            if (s < p.steps && k < kAhead) {
                // The source needs the primary current at the end of the last step.
                const long double t_next = t + h;
                u = ahead.source(p, t_next, x[4], n++, p.steps - s);
                kernel.step(x, u + u_prev);
                t = t_next;
                u_prev = u;
                ++s;
            }
        }
        fp_check();
        if constexpr (Store) {
            store.time[i] = t;
            SampleValues& values = store.values[i];
            values[0] = u;
            for (int j = 0; j < kStates; ++j) values[j + 1] = x[j];
        }
        for (int j = 0; j < kStates; ++j) {
            maxima.update(j, x, t);
            if (x[j] > view.ymax)
                view.ymax = x[j];
            else if (x[j] < view.ymin)
                view.ymin = x[j];
        }
    }
}

template <class Kernel>
void integrate(const Kernel& kernel, const SimParams& p, std::int32_t n_points, long double h,
               long double (&x)[kStates], MaximaTracker& maxima, SimResult& result, bool store_samples) {
    if (store_samples)
        integrate<true>(kernel, p, n_points, h, x, maxima, result);
    else
        integrate<false>(kernel, p, n_points, h, x, maxima, result);
}

// A sample without steps (S of 0 or less): the initial state again.
struct NoStep {
    void step(long double (&)[kStates], long double) const {}
};

// Passes lines on and keeps the last one.
class LastLine : public ReportSink {
public:
    explicit LastLine(ReportSink& next) : next_(next) {}
    void append_line(const std::string& latin1) override {
        last = latin1;
        next_.append_line(latin1);
    }
    std::string last;

private:
    ReportSink& next_;
};

// The report line of a check that stops the run.
bool stop(SimResult& result, ReportSink& log, const std::string& line) {
    report_line(log, line);
    result.end = RunEnd::kStopped;
    result.message = line;
    return false;
}

bool run(const SimParams& p, ReportSink& log, SimResult& result, bool store_samples) {
    fp_clear();
    ViewRecord& view = result.range;
    view.t0 = 0;
    view.t1 = p.tmax;

    // Points check: at least 50 internal steps per period of the source.
    const std::int32_t total_steps = imul(p.points, p.steps);
    const long double periods = p.tmax * p.fin;
    const long double steps_per_period = static_cast<long double>(total_steps) / periods;
    fp_check();
    if (steps_per_period < 50)
        return stop(result, log, "Too few points (increase points or internal steps or decrease max time).");
    if (p.points > kMaxPoints) return stop(result, log, "Too many points.");
    const std::int32_t n_points = p.points;
    if (store_samples)
        result.samples.resize(n_points);
    else
        result.samples.resize(0);

    const long double h = (view.t1 - view.t0) / imul(isub(n_points, 1), p.steps);
    fp_check();
    view.ymin = 1e12L;
    view.ymax = -1e12L;

    const CircuitModel model = build_model(p);
    Matrix7 Q;
    build_step_matrix(model.A, h, Q);
    LastLine inversion_log(log);
    if (!invert_in_place(kStates, Q, inversion_log)) {
        result.end = RunEnd::kStopped;
        result.message = inversion_log.last;
        return false;
    }

    long double x[kStates] = {p.VC10, 0, 0, 0, 0, 0, 0};
    MaximaTracker maxima;
    maxima.start(p.VC10);

    fp_check();
    if (store_samples && n_points >= 1) {
        SampleStore& store = result.samples;
        store.time[0] = 0;
        store.values[0] = SampleValues{0, p.VC10, 0, 0, 0, 0, 0, 0};
    }

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
                integrate(fast, p, n_points, h, x, maxima, result, store_samples);
            } else {
                SparseStep sparse;
                sparse.prepare(model, Q, h2);
                integrate(sparse, p, n_points, h, x, maxima, result, store_samples);
            }
        } else {
            integrate(NoStep{}, p, n_points, h, x, maxima, result, store_samples);
        }
    }

    fp_check();
    result.samples_done = true;
    result.maxima = maxima_figures(maxima, p.C1, p.C2, p.C3);
    if (p.use_vmax) {
        view.ymax = p.Vmax;
        view.ymin = -p.Vmax;
    }
    if (p.find_maxima) write_maxima_report(result.maxima, log);
    fp_check();
    result.end = RunEnd::kCompleted;
    return true;
}

}  // namespace

bool run_simulation(const SimParams& p, ReportSink& log, SimResult& result, bool store_samples) {
    const FpEnvironment fp_environment;
    result.samples_done = false;
    result.end = RunEnd::kNotRun;
    result.message.clear();
    result.maxima = MaximaFigures{};
    try {
        return run(p, log, result, store_samples);
    } catch (const std::exception& e) {
        result.end = RunEnd::kFault;
        result.message = e.what();
        throw;
    }
}

}  // namespace zelvar
