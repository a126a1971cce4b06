// Simulation run benchmark: the largest run, the default design's circuit
// (mode 5:7:9:11, excitation at m·w0, lossless) with 50,000 points × 10
// internal steps = 500,000 trapezoidal steps over 1.25 ms.
//
// Prints
//  - the median time per run and per step of the run in this process, the
//    same run with the square wave, and where the time goes (the source's
//    sine, the matrix work of the steps, storing the samples with the maxima
//    and the value range);
//  - the same run as a whole process (`zelvar-cli simulate`) side by side
//    with ngspice on the same circuit (method=trap, the same fixed step, no
//    output), one after the other, and the ratio of their medians.
//  - the start-up: `zelvar-cli --version`, `design` and a default run
//    (`simulate --values zelvar.val` of the default design, 600 points) as
//    whole processes, the median of 21 each (target under 5 ms of processor
//    time).
// Processor time (user + system) is printed beside the elapsed time: on a
// machine shared with other work it leaves out the time spent waiting for a
// processor, and the ratio of processor times is the one to compare there.
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <string>
#include <vector>

#include "app/faults.h"
#include "report/report_log.h"
#include "sim/circuit_model.h"
#include "sim/default_design_circuit.h"
#include "sim/maxima_report.h"
#include "sim/netlist.h"
#include "sim/rounded_sine.h"
#include "sim/sim_run.h"
#include "sim/source_voltage.h"
#include "sim/step_matrix.h"
#include "sim/trapezoidal_step.h"

namespace {

using namespace zelvar;
using Clock = std::chrono::steady_clock;

// Processor time of this thread, in ms.
double cpu_ms() {
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}


double ms_since(Clock::time_point t0) { return std::chrono::duration<double, std::milli>(Clock::now() - t0).count(); }

double median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

std::string real_text(long double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.21Lg", v);
    return buf;
}

// The circuit of the run as the program's own ngspice deck, with a
// transient analysis that uses the run's step as both the print step and the
// largest step, from the zero state, and writes nothing.
std::string spice_deck(const SimParams& p, long double h) {
    NetlistOptions options;
    options.analysis = ".options method=trap\n.tran " + spice_number(h) + " " + spice_number(p.tmax) + " 0 " +
                       spice_number(h) + " uic\n.control\nrun\nquit 0\n.endc";
    return make_netlist(p, options).deck;
}

struct ProcessTime {
    bool ok = false;
    double wall_ms = 0, cpu_ms = 0;
};

// Runs argv in dir with standard output and error thrown away; the elapsed
// time and the child's processor time (user + system).  Started with
// posix_spawn (no copy of this process's memory is made and charged to the
// child, as fork's would be).
ProcessTime run_process(const std::vector<std::string>& argv, const std::string& dir) {
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    ProcessTime r;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
    const auto t0 = Clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return r;
    int status = 0;
    rusage ru{};
    if (wait4(pid, &status, 0, &ru) != pid) return r;
    r.wall_ms = ms_since(t0);
    r.cpu_ms = (ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) * 1e3 + (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e3;
    r.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return r;
}

std::string own_directory() {
    char buf[4096];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return ".";
    std::string s(buf, static_cast<std::size_t>(n));
    const auto slash = s.rfind('/');
    return slash == std::string::npos ? "." : s.substr(0, slash);
}

void print_load() {
    double load[3];
    if (getloadavg(load, 3) == 3) std::printf("load average %.2f (%ld processors)\n", load[0], sysconf(_SC_NPROCESSORS_ONLN));
}

// The run as a whole process beside ngspice, alternately.
void side_by_side(const SimParams& p, long double h, double steps) {
    char dir_template[] = "/tmp/zelvar_bench_XXXXXX";
    const char* dir = mkdtemp(dir_template);
    if (dir == nullptr) {
        std::printf("side by side: no temporary directory\n");
        return;
    }
    const std::string deck_path = std::string(dir) + "/run.cir";
    if (FILE* f = std::fopen(deck_path.c_str(), "w")) {
        const std::string deck = spice_deck(p, h);
        std::fputs(deck.c_str(), f);
        std::fclose(f);
    }
    const std::vector<std::string> cli = {
        own_directory() + "/zelvar-cli", "simulate", "--C1", real_text(p.C1), "--L1", real_text(p.L1), "--C2",
        real_text(p.C2), "--L2", real_text(p.L2), "--C3", real_text(p.C3), "--L3", real_text(p.L3), "--k12",
        real_text(p.k12), "--fin", real_text(p.fin), "--points", std::to_string(p.points), "--steps",
        std::to_string(p.steps), "--tmax", real_text(p.tmax)};
    const std::vector<std::string> spice = {"ngspice", "-b", "run.cir"};

    std::printf("\nside by side, whole processes, one after the other:\n");
    std::printf("  zelvar-cli simulate --points %d --steps %d --tmax %Lg (default design, lossless)\n", p.points,
                p.steps, p.tmax);
    std::printf("  ngspice -b: the same circuit, method=trap, fixed step %s s, no output\n", real_text(h).c_str());
    std::vector<double> zw, zc, sw, sc;
    const int rounds = 7;  // the median of 7 each
    bool have_cli = true, have_spice = true;
    for (int r = 0; r < rounds && (have_cli || have_spice); ++r) {
        if (have_cli) {
            const ProcessTime z = run_process(cli, dir);
            if (z.ok) {
                zw.push_back(z.wall_ms);
                zc.push_back(z.cpu_ms);
            } else {
                have_cli = false;
            }
        }
        if (have_spice) {
            const ProcessTime s = run_process(spice, dir);
            if (s.ok) {
                sw.push_back(s.wall_ms);
                sc.push_back(s.cpu_ms);
            } else {
                have_spice = false;
            }
        }
    }
    std::remove(deck_path.c_str());
    rmdir(dir);
    if (!have_cli || zw.empty()) {
        std::printf("  zelvar-cli did not run (expected beside this benchmark)\n");
        return;
    }
    std::printf("  zelvar-cli: median %.1f ms elapsed, %.1f ms processor (%zu runs), %.1f ns per step\n",
                median(zw), median(zc), zw.size(), median(zc) * 1e6 / steps);
    if (!have_spice || sw.empty()) {
        std::printf("  ngspice did not run (install Debian's ngspice package; ./build.sh bench does)\n");
        return;
    }
    std::printf("  ngspice:    median %.1f ms elapsed, %.1f ms processor (%zu runs), %.1f ns per step\n", median(sw),
                median(sc), sw.size(), median(sc) * 1e6 / steps);
    const double ratio_cpu = median(sc) / median(zc), ratio_wall = median(sw) / median(zw);
    std::printf("  ratio ngspice / zelvar: %.1f (processor time), %.1f (elapsed)\n", ratio_cpu, ratio_wall);
    std::printf("  target at least 40 (processor time): %s\n", ratio_cpu >= 40 ? "met" : "NOT met");
}

// The command line's start-up: commands that do little, as whole processes.
void startup() {
    char dir_template[] = "/tmp/zelvar_bench_XXXXXX";
    const char* dir = mkdtemp(dir_template);
    if (dir == nullptr) return;
    const std::string cli = own_directory() + "/zelvar-cli";
    std::printf("\nstart-up, whole processes (median of 21, processor time = user + system):\n");
    // For scale: the smallest process there is, on this machine as it is now.
    {
        std::vector<double> cpu;
        for (int r = 0; r < 21; ++r) {
            const ProcessTime t = run_process({"true"}, dir);
            if (t.ok) cpu.push_back(t.cpu_ms);
        }
        if (!cpu.empty()) std::printf("  (the system's true: %.2f ms processor)\n", median(cpu));
    }
    // The default design's value file, for the default run of its 600 points.
    if (!run_process({cli, "design"}, dir).ok) std::printf("  zelvar-cli design did not run\n");
    const std::vector<std::vector<std::string>> commands = {
        {cli, "--version"}, {cli, "design"}, {cli, "simulate", "--values", "zelvar.val"}};
    for (const auto& argv : commands) {
        std::vector<double> wall, cpu;
        for (int r = 0; r < 21; ++r) {
            const ProcessTime t = run_process(argv, dir);
            if (!t.ok) break;
            wall.push_back(t.wall_ms);
            cpu.push_back(t.cpu_ms);
        }
        if (cpu.empty()) {
            std::printf("  zelvar-cli %s did not run\n", argv[1].c_str());  // the first word names it
            continue;
        }
        std::string words;
        for (std::size_t w = 1; w < argv.size(); ++w) words += (w > 1 ? " " : "") + argv[w];
        std::printf("  zelvar-cli %-30s %5.2f ms processor, %5.2f ms elapsed (target under 5 ms: %s)\n",
                    words.c_str(), median(cpu), median(wall), median(cpu) < 5 ? "met" : "NOT met");
    }
    std::remove((std::string(dir) + "/zelvar.val").c_str());
    rmdir(dir);
}

}  // namespace

int main() {
    SimParams p = default_design_circuit();
    p.points = 50000;
    p.steps = 10;
    p.tmax = 1.25E-3L;  // 400 periods, about 1,250 internal steps per period
    const int runs = 15;
    print_load();

    SimResult result;  // reused: only the first run allocates its samples
    std::vector<double> run_ms, run_cpu;
    for (int r = 0; r < runs; ++r) {
        LineCollector log;
        const double c0 = cpu_ms();
        const auto t0 = Clock::now();
        const bool ok = run_simulation(p, log, result, true);
        const double wall = ms_since(t0);
        run_cpu.push_back(cpu_ms() - c0);
        if (!ok || result.end != RunEnd::kCompleted) {
            std::printf("run did not complete\n");
            return 1;
        }
        run_ms.push_back(wall);
    }
    const double steps = static_cast<double>(p.points - 1) * p.steps;
    const double med = median(run_ms);
    std::printf("simulation run: %d points x %d internal steps = %.0f steps, tmax %Lg s\n", p.points, p.steps, steps,
                p.tmax);
    std::printf("median over %d runs: %.2f ms per run, %.1f ns per step (min %.2f ms, max %.2f ms)\n", runs, med,
                med * 1e6 / steps, *std::min_element(run_ms.begin(), run_ms.end()),
                *std::max_element(run_ms.begin(), run_ms.end()));
    const double cpu = median(run_cpu);
    std::printf("median processor time: %.2f ms per run, %.1f ns per step (min %.2f ms)\n", cpu, cpu * 1e6 / steps,
                *std::min_element(run_cpu.begin(), run_cpu.end()));
    std::printf("last sample: t = %.6Le s, v3 = %.6Le V, view %.4Le .. %.4Le\n",
                result.samples.time[p.points - 1], result.samples.values[p.points - 1][3], result.range.ymin,
                result.range.ymax);

    // The same run with the square wave (no sine; the parity of the nearest
    // integer per step).
    {
        SimParams q = p;
        q.square = true;
        std::vector<double> sq_cpu;
        for (int r = 0; r < runs; ++r) {
            LineCollector log;
            const double c0 = cpu_ms();
            if (!run_simulation(q, log, result, true)) {
                std::printf("square-wave run did not complete\n");
                return 1;
            }
            sq_cpu.push_back(cpu_ms() - c0);
        }
        const double sq = median(sq_cpu);
        std::printf("square-wave run: median processor time %.2f ms per run, %.1f ns per step (min %.2f ms)\n", sq,
                    sq * 1e6 / steps, *std::min_element(sq_cpu.begin(), sq_cpu.end()));
    }

    // Where the time goes, each part alone over the run's 500,000 steps or
    // 50,000 samples (processor time, medians).
    const long double h = p.tmax / ((p.points - 1) * p.steps);
    const int n_steps = (p.points - 1) * p.steps;
    std::vector<long double> u(static_cast<std::size_t>(n_steps) + 1, 0.0L);
    std::vector<double> sine_cpu, matrix_cpu, store_cpu;
    volatile long double sink = 0;
    // The sine: the source value of every step, at the run's instants.
    for (int r = 0; r < runs; ++r) {
        long double t = 0;
        const double c0 = cpu_ms();
        for (int s = 1; s <= n_steps; ++s) {
            t = t + h;
            u[s] = source_voltage(p, t, 0);
        }
        sine_cpu.push_back(cpu_ms() - c0);
    }
    // The matrix work: the run's kernel on those source values.
    {
        const CircuitModel model = build_model(p);
        Matrix7 Q;
        build_step_matrix(model.A, h, Q);
        LineCollector log;
        invert_in_place(kStates, Q, log);
        FastStep fast;
        if (fast.prepare(model, Q, h / 2)) {
            for (int r = 0; r < runs; ++r) {
                long double x[kStates] = {0, 0, 0, 0, 0, 0, 0};
                const double c0 = cpu_ms();
                for (int s = 1; s <= n_steps; ++s) fast.step(x, u[s] + u[s - 1]);
                matrix_cpu.push_back(cpu_ms() - c0);
                sink = x[2];
            }
        }
    }
    // Storing: the samples of the last run stored again, with the maxima
    // and the value range updated as the run does.
    {
        SampleStore copy;
        copy.resize(p.points);
        const SampleStore& from = result.samples;
        for (int r = 0; r < runs; ++r) {
            MaximaTracker maxima;
            maxima.start(0);
            ViewRecord view{0, p.tmax, 1e12L, -1e12L};
            const double c0 = cpu_ms();
            for (int i = 1; i < p.points; ++i) {
                long double x[kStates];
                for (int j = 0; j < kStates; ++j) x[j] = from.values[i][j + 1];
                const long double t = from.time[i];
                copy.time[i] = t;
                copy.values[i][0] = from.values[i][0];
                for (int j = 0; j < kStates; ++j) copy.values[i][j + 1] = x[j];
                for (int j = 0; j < kStates; ++j) {
                    maxima.update(j, x, t);
                    if (x[j] > view.ymax)
                        view.ymax = x[j];
                    else if (x[j] < view.ymin)
                        view.ymin = x[j];
                }
            }
            store_cpu.push_back(cpu_ms() - c0);
            sink = view.ymax + maxima.peak[2];
        }
    }
    (void)sink;
    // For comparison: the processor's FSIN instruction on the same arguments
    // (the sine the source used before; not always the nearest value).
    std::vector<double> fsin_cpu;
    for (int r = 0; r < runs; ++r) {
        long double t = 0, acc = 0;
        const double c0 = cpu_ms();
        for (int s = 1; s <= n_steps; ++s) {
            t = t + h;
            acc += detail::x87_sin((kTwoPi * p.fin) * t);
        }
        fsin_cpu.push_back(cpu_ms() - c0);
        sink = acc;
    }
    // The sines as the run computes them: a sample's ten arguments at a time.
    std::vector<double> batch_cpu;
    {
        std::vector<long double> args(static_cast<std::size_t>(n_steps) + 1), values(args.size());
        long double t = 0;
        for (int s = 1; s <= n_steps; ++s) {
            t = t + h;
            args[s] = (kTwoPi * p.fin) * t;
        }
        for (int r = 0; r < runs; ++r) {
            const double c0 = cpu_ms();
            for (int s = 1; s <= n_steps; s += p.steps) rounded_sin(&args[s], &values[s], std::min(p.steps, n_steps + 1 - s));
            batch_cpu.push_back(cpu_ms() - c0);
            sink = values[n_steps];
        }
    }
    const double sine = median(sine_cpu), matrix = median(matrix_cpu), store = median(store_cpu);
    std::printf("split of the run (each part alone, processor time):\n");
    std::printf("  sine (correctly rounded), a sample's steps at a time as the run does: %6.2f ms, %5.1f ns per\n"
                "    step (one by one with the rest of the source: %.1f ns; the processor's FSIN on the same\n"
                "    arguments, not always the nearest value: %.1f ns)\n",
                median(batch_cpu), median(batch_cpu) * 1e6 / steps, sine * 1e6 / steps,
                median(fsin_cpu) * 1e6 / steps);
    if (!matrix_cpu.empty())
        std::printf("  matrix (two 7x7 products):    %6.2f ms, %5.1f ns per step\n", matrix, matrix * 1e6 / steps);
    std::printf("  storing, maxima, value range: %6.2f ms, %5.1f ns per step\n", store, store * 1e6 / steps);
    std::printf("  the run less the matrix and storing (the sines, a sample's at a time, loop, time,\n"
                "    checks): %.2f ms\n", cpu - matrix - store);

    side_by_side(p, h, steps);
    startup();
    return 0;
}
