// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/tolerance_cli.h"

#include <unistd.h>

#include <chrono>
#include <exception>
#include <iostream>
#include <thread>

#include "app/project_options.h"
#include "design/cli_common.h"
#include "sim/simulate_cli.h"
#include "sim/tolerance.h"
#include "widgets/numeric_text.h"

namespace zelvar {

namespace {

// Runs the analysis on a thread of its own while this one shows the
// progress on err.
ToleranceResult analyse_with_progress(const SimParams& p, const ToleranceSettings& s, ReportSink& log,
                                      std::ostream& err) {
    ToleranceControl control;
    ToleranceResult result;
    std::exception_ptr failure;
    std::atomic<bool> finished{false};
    std::thread worker([&] {
        try {
            result = run_tolerance_analysis(p, s, log, &control);
        } catch (...) {
            failure = std::current_exception();
        }
        finished = true;
    });
    bool shown = false;
    while (!finished.load()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        err << "\rTolerance analysis: " << control.done.load() << " of " << control.total.load() << " runs"
            << std::flush;
        shown = true;
    }
    worker.join();
    if (shown) err << "\n" << std::flush;
    if (failure) std::rethrow_exception(failure);
    return result;
}

}  // namespace

int tolerance_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const ToleranceSettings tol_defaults;
    CLI::App app{"Monte Carlo and sensitivity analysis of a simulation: the elements, the coupling and the "
                 "drive frequency varied by their tolerances; prints the statistics of the figures at the "
                 "peak of v3, the yield and the ranked sensitivity.",
                 "zelvar-cli tolerance"};
    set_usage_failure(app, "tolerance");

    // Every option of `simulate`, from the same parameter table.
    const RunOptions run_options(app);

    // The analysis.
    std::string tol_all;
    app.add_option("--tol", tol_all, "tolerance in percent of C1, L1, C2, L2, C3, L3 and k12")
        ->type_name("PCT")
        ->default_str("1");
    std::string tol_each[kToleranceElements];
    for (int e = 0; e < kToleranceElements; ++e)
        app.add_option(std::string("--tol-") + tolerance_element_name(e), tol_each[e],
                       std::string("tolerance of ") + tolerance_element_name(e) + " in percent" +
                           (e == kTolFin ? " (--tol leaves it)" : " (overrides --tol)"))
            ->type_name("PCT")
            ->default_str(e == kTolFin ? "0" : "--tol");
    std::string dist = "uniform";
    app.add_option("--dist", dist, "uniform within +-tol, or Gaussian with sigma = tol/3 truncated at +-tol")
        ->check(CLI::IsMember({"uniform", "gauss"}))
        ->default_str("uniform");
    std::string runs_text, seed_text, threads_text, threshold_text, csv_file;
    app.add_option("--runs", runs_text, "Monte Carlo runs")->type_name("N")->default_str("1000");
    app.add_option("--seed", seed_text, "seed of the draws")->type_name("S")->default_str("1");
    app.add_option("--threads", threads_text, "worker threads")->type_name("T")->default_str("all cores");
    app.add_option("--threshold", threshold_text, "efficiency in percent that counts for the yield")
        ->type_name("PCT")
        ->default_str("90");
    app.add_option("--csv", csv_file,
                   "write one row per run: run,C1,L1,C2,L2,C3,L3,k12,fin,efficiency,share_c3,v3_peak,t_peak,status "
                   "(21 significant digits)")
        ->type_name("FILE");
    const ProjectOptions project_options(app);

    if (const int status = parse_command_line(app, args, out, err); status >= 0) return status;

    // The project is the base of the run's inputs and of the settings.
    Project project;
    try {
        project = project_options.base();
    } catch (const std::exception& e) {
        err << error_box_text(e.what()) << '\n';
        return kExitError;
    }

    // The settings' numbers follow the fields' text rules (a refused text is
    // an error, as for every number); a value out of range is a usage error.
    ToleranceSettings settings = tol_defaults;
    take_tolerance(project, settings);
    try {
        if (app.count("--tol") > 0) {
            const long double t = parse_real(tol_all);
            for (int e = 0; e < kTolFin; ++e) settings.tol[e] = t;
        }
        for (int e = 0; e < kToleranceElements; ++e)
            if (app.count(std::string("--tol-") + tolerance_element_name(e)) > 0)
                settings.tol[e] = parse_real(tol_each[e]);
        if (app.count("--dist") > 0) settings.dist = dist == "gauss" ? Distribution::gauss : Distribution::uniform;
        if (app.count("--runs") > 0) settings.runs = parse_int(runs_text);
        if (app.count("--seed") > 0) settings.seed = static_cast<std::uint32_t>(parse_int(seed_text));
        if (app.count("--threads") > 0) {
            settings.threads = parse_int(threads_text);
            if (settings.threads < 1) throw Error("The number of threads must be at least 1");
        }
        if (app.count("--threshold") > 0) settings.threshold = parse_real(threshold_text);
        check_tolerance_settings(settings);
    } catch (const Error& e) {
        const std::string message = e.what();
        // A refused number is an error like every refused number; a number
        // out of its range is a usage error.
        if (message.find("is not a valid number") != std::string::npos || message == kOverflow) {
            err << error_box_text(message) << '\n';
            return kExitError;
        }
        err << "zelvar-cli tolerance: " << error_box_text(message) << '\n'
            << "Run 'zelvar-cli tolerance --help' for the options.\n";
        return kExitUsage;
    }

    return run_command(
        [&] {
            const SimParams p = run_options.params(project);

            PrintingSink log(out);
            put_sim_params(project, p);
            put_tolerance(project, settings);
            project_options.save(project, log);
            const bool progress = &err == &std::cerr && ::isatty(STDERR_FILENO) == 1;
            const ToleranceResult result = progress ? analyse_with_progress(p, settings, log, err)
                                                    : run_tolerance_analysis(p, settings, log);
            if (result.nominal.status != RunStatus::completed) return false;
            write_tolerance_report(result, settings, log);
            if (app.count("--csv") > 0) write_tolerance_csv_file(csv_file, result);
            return true;
        },
        out, err);
}

}  // namespace zelvar
