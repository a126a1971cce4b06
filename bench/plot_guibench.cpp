// Waveform window repaint times with a full store (50,000 samples) and a
// full reference, painted offscreen into an image.
//
//   plot_guibench [repeats]
//
// Prints the median time of a repaint without a run (what every key command
// and zoom costs) and of a repaint with a run, and where the time goes.
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <vector>

#include "design/design_run.h"
#include "plot/plot_geometry.h"
#include "plot/wave_window.h"
#include "sim/sim_run.h"
#include "synthetic_waves.h"

using namespace zelvar;

namespace {

using Clock = std::chrono::steady_clock;

double thread_cpu_ms() {
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

// The median processor time of this thread of the last median_ms(): on a
// machine shared with other work, the figure to compare.
double last_cpu_median = 0;

template <class F>
double median_ms(int repeats, F f) {
    std::vector<double> t, cpu;
    for (int i = 0; i < repeats; ++i) {
        const double c = thread_cpu_ms();
        const auto a = Clock::now();
        f();
        t.push_back(std::chrono::duration<double, std::milli>(Clock::now() - a).count());
        cpu.push_back(thread_cpu_ms() - c);
    }
    std::sort(t.begin(), t.end());
    std::sort(cpu.begin(), cpu.end());
    last_cpu_median = cpu[cpu.size() / 2];
    return t[t.size() / 2];
}

struct Take : DesignHandOver {
    DesignResults r;
    bool got = false;
    void hand_over_to_simulation(const DesignResults& results) override {
        r = results;
        got = true;
    }
};

// The default design's elements, 50,000 points of 10 internal steps.
SimParams full_params() {
    SimParams p;
    Take take;
    QTemporaryDir dir;
    const QString old = QDir::currentPath();
    if (dir.isValid()) QDir::setCurrent(dir.path());
    LineCollector log;
    try {
        run_design(DesignInputs{}, log, &take);
    } catch (const std::exception&) {
    }
    QDir::setCurrent(old);
    if (take.got) {
        p.C1 = take.r.C1;
        p.C2 = take.r.C2;
        p.C3 = take.r.C3;
        p.L1 = take.r.L1;
        p.L2 = take.r.L2;
        p.L3 = take.r.L3;
        p.k12 = take.r.k12;
        p.fin = take.r.fin;
    }
    p.points = kMaxPoints;
    p.steps = 10;
    return p;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int repeats = argc > 1 ? std::max(3, std::atoi(argv[1])) : 31;

    auto state = std::make_unique<SimDocument>();
    LineCollector log;
    SimParams params = full_params();
    const std::array<long double, 8> scales{1, 1, 1, 1, 1, 1000, 1000, 1000};
    TFwave wave(*state, log);
    wave.set_inputs(TFwave::Inputs{[&] { return params; }, [&] { return scales; }, [] {}});
    state->dirty = false;  // nothing to run while the window is shown
    wave.show();
    QApplication::processEvents();
    QImage image(wave.size(), QImage::Format_ARGB32_Premultiplied);
    auto paint = [&] { wave.PaintBox1->render(&image); };

    // The reference: a lossless run; the current run with losses.
    bool have_run = true;
    double run_only = 0, run_only_cpu = 0;
    try {
        params.R1 = params.R2 = params.R3 = 0;
        if (!run_simulation(params, *state, log)) have_run = false;
        save_reference(*state);
        params.R1 = 1;
        params.R2 = 20;
        params.R3 = 100;
        run_only = median_ms(std::max(3, repeats / 4), [&] { run_simulation(params, *state, log); });
        run_only_cpu = last_cpu_median;
        state->dirty = false;
    } catch (const std::exception& e) {
        std::printf("simulation run unavailable (%s): synthetic waveforms\n", e.what());
        have_run = false;
    }
    if (!have_run) {
        bench::synthesize(state->result.samples, kMaxPoints, 0.9L);
        save_reference(*state);
        bench::synthesize(state->result.samples, kMaxPoints, 1);
        state->view = ViewRecord{0, 1.5e-5L, -200000, 200000};
        state->results_valid = true;
        state->dirty = false;
    }
    state->reference_present = true;
    std::printf("store %d samples, reference %d samples, paint box %dx%d\n", state->result.samples.count(),
                state->reference.count(), wave.PaintBox1->width(), wave.PaintBox1->height());

    paint();  // warm up (fonts, glyph cache)
    const double no_run = median_ms(repeats, paint);
    const double no_run_cpu = last_cpu_median;

    // Where the time goes: the curve points alone (mapping, clamps,
    // per-column reduction) and the frame alone (background, grid, axes,
    // labels, legend).
    std::vector<PixelPoint> buffer[kChannelRows];
    for (auto& b : buffer) b.resize(kMaxPoints + 2);
    PixelPoint* const out[kChannelRows] = {buffer[0].data(), buffer[1].data(), buffer[2].data(), buffer[3].data(),
                                           buffer[4].data(), buffer[5].data(), buffer[6].data(), buffer[7].data()};
    std::int32_t counts[kChannelRows];
    const double points_only = median_ms(repeats, [&] {
        for (const SampleStore* s : {&state->reference, &state->result.samples})
            store_curves(*s, scales, wave.last_map(), wave.last_area(), out, counts);
    });
    const double points_cpu = last_cpu_median;
    state->reference_present = false;
    const double no_reference = median_ms(repeats, paint);
    const double no_reference_cpu = last_cpu_median;
    state->reference_present = true;
    SampleStore samples, reference;  // empty while the frame alone is drawn
    std::swap(samples, state->result.samples);
    std::swap(reference, state->reference);
    const double frame_only = median_ms(repeats, paint);
    const double frame_cpu = last_cpu_median;
    std::swap(samples, state->result.samples);
    std::swap(reference, state->reference);

    std::printf("repaint without a run: median %.2f ms (%d repaints), processor %.2f ms\n", no_run, repeats,
                no_run_cpu);
    std::printf("  curve points of 16 curves (mapping, clamps, column reduction): %.2f ms, processor %.2f ms\n",
                points_only, points_cpu);
    std::printf("  frame without curves: %.2f ms, processor %.2f ms\n", frame_only, frame_cpu);
    std::printf("  drawing the 16 reduced polylines: about %.2f ms, processor %.2f ms\n",
                no_run - points_only - frame_only, no_run_cpu - points_cpu - frame_cpu);
    std::printf("  the reference layer (8 curves, 4-pixel pens): about %.2f ms, processor %.2f ms\n",
                no_run - no_reference, no_run_cpu - no_reference_cpu);

    if (!have_run) {
        std::printf("repaint with a run: unavailable (the simulation run is not built)\n");
        return 0;
    }
    const int run_repeats = std::max(3, repeats / 3);
    std::vector<double> run_cpu;  // processor time of the process
    const double with_run = median_ms(run_repeats, [&] {
        timespec a, b;
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &a);
        mark_dirty(*state);
        paint();
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &b);
        run_cpu.push_back((b.tv_sec - a.tv_sec) * 1e3 + (b.tv_nsec - a.tv_nsec) / 1e6);
    });
    std::sort(run_cpu.begin(), run_cpu.end());
    if (state->dirty || !state->results_valid) std::printf("warning: the run did not complete\n");
    std::printf("repaint with a run: median %.2f ms (%d repaints; the run alone %.2f ms, processor %.2f ms)\n",
                with_run, run_repeats, run_only, run_only_cpu);
    std::printf("  processor time of a repaint with a run: median %.2f ms\n", run_cpu[run_cpu.size() / 2]);
    const double repaint_cpu = run_cpu[run_cpu.size() / 2];
    std::printf("  the largest run (%d points x %d internal steps) in a repaint: target under 100 ms -> %s"
                " (elapsed), %s (processor)\n",
                params.points, params.steps, with_run < 100 ? "met" : "NOT met", repaint_cpu < 100 ? "met" : "NOT met");
    return 0;
}
