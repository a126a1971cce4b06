#include "sim/tolerance_cli.h"

#include <memory>

#include "app/atomic_file.h"
#include "design/cli_common.h"
#include "sim/simulate_cli.h"
#include "sim/tolerance.h"
#include "widgets/numeric_text.h"

namespace zelvar {

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

    if (const int status = parse_command_line(app, args, out, err); status >= 0) return status;

    return run_command(
        "tolerance",
        [&] {
            // The settings' numbers follow the fields' text rules (a refused
            // text is an error, as for every number); a value out of range is
            // a usage error (check_tolerance_settings).
            ToleranceSettings settings = tol_defaults;
            if (app.count("--tol") > 0) {
                const long double t = option_real("--tol", tol_all);
                for (int e = 0; e < kTolFin; ++e) settings.tol[e] = t;
            }
            for (int e = 0; e < kToleranceElements; ++e) {
                const std::string name = std::string("--tol-") + tolerance_element_name(e);
                if (app.count(name) > 0) settings.tol[e] = option_real(name, tol_each[e]);
            }
            settings.dist = dist == "gauss" ? Distribution::gauss : Distribution::uniform;
            if (app.count("--runs") > 0) settings.runs = option_int("--runs", runs_text);
            if (app.count("--seed") > 0) settings.seed = tolerance_seed(option_int("--seed", seed_text));
            if (app.count("--threads") > 0) {
                settings.threads = option_int("--threads", threads_text);
                if (settings.threads < 1) throw SettingError("The number of threads must be at least 1");
            }
            if (app.count("--threshold") > 0) settings.threshold = option_real("--threshold", threshold_text);
            check_tolerance_settings(settings);
            const bool csv = app.count("--csv") > 0;
            check_outputs({{"--values", run_options.values_file(), true}, {"--csv", csv ? csv_file : std::string()}});
            const SimParams p = run_options.params();

            // The CSV file is made before the runs (a name that cannot be
            // written is known at once) and gets each row as it is done; it
            // replaces an old file only once it is whole.
            std::unique_ptr<AtomicFileWriter> csv_writer;
            const auto csv_failure = [&](const FileError& e) {
                return Error(cannot_write_message("CSV", csv_file, e.errno_value));
            };
            ToleranceOutput output;
            output.keep_runs = false;
            if (csv) {
                try {
                    csv_writer = std::make_unique<AtomicFileWriter>(csv_file);
                } catch (const FileError& e) {
                    throw csv_failure(e);
                }
                output.csv = [&](const std::string& text) { csv_writer->write(text); };
            }

            PrintingSink log(out);
            ToleranceControl control;
            ToleranceResult result;
            try {
                result = with_progress(err, "Tolerance analysis", "runs", control.done, control.total,
                                       [&] { return run_tolerance_analysis(p, settings, log, &control, output); });
            } catch (const FileError& e) {
                throw csv_failure(e);
            }
            if (result.nominal.status != RunStatus::completed) return false;
            write_tolerance_report(result, settings, log);
            if (csv) {
                try {
                    csv_writer->commit();
                } catch (const FileError& e) {
                    throw csv_failure(e);
                }
                announce_file(out, "Runs", csv_file);
            }
            return true;
        },
        out, err);
}

}  // namespace zelvar
