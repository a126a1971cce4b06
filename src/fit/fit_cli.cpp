#include "fit/fit_cli.h"

#include "app/atomic_file.h"
#include "coil/windings.h"
#include "design/cli_common.h"
#include "fit/fit_report.h"
#include "fit/primary_place.h"
#include "sim/simulate_cli.h"
#include "widgets/numeric_text.h"

namespace zelvar {

namespace {

// The option of each measured frequency, in Measurement order.
constexpr const char* kFrequencyOptions[fit::kMeasurements] = {
    "--f1", "--f2", "--f3", "--open-low", "--open-high", "--short-low", "--short-high", "--extra"};
constexpr const char* kFrequencyHelp[fit::kMeasurements] = {
    "lowest mode of the whole network, driven at the primary",
    "middle mode of the whole network",
    "highest mode of the whole network",
    "lower mode with the primary capacitor removed (primary open)",
    "higher mode with the primary open",
    "lower mode with the primary shorted",
    "higher mode with the primary shorted",
    "the extra coil alone with its terminal"};

}  // namespace

int fit_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    CLI::App app{"Fits the network as built to resonance frequencies measured at the bench (any of the whole "
                 "network's three modes, the two with the primary open, the two with the primary shorted, the "
                 "extra coil alone), prints the built values beside the design's with their uncertainties and "
                 "residuals, the mode, the transfer efficiency of a run of the design and of the built network, "
                 "and the retune of the primary (L1 or C1, k12, fin and the stop time) that restores it.\n"
                 "Exit status: 0 fitted, 1 more than one set of values fits (each is printed, and the set-up "
                 "that tells them apart), 2 error (a refused fit: too few frequencies, unknowns the "
                 "frequencies cannot tell apart; message on standard error), 64 usage error.  With --json the "
                 "line \"Fit saved in file FILE\" ends the report.\nDefaults are in brackets.",
                 "zelvar-cli fit"};
    set_usage_failure(app, "fit");
    // The nominal network and the run of the efficiency: every option of
    // `simulate`, from the same parameter table.
    const RunOptions run_options(app);
    std::string freq_text[fit::kMeasurements];
    for (int m = 0; m < fit::kMeasurements; ++m)
        app.add_option(kFrequencyOptions[m], freq_text[m], std::string(kFrequencyHelp[m]) + " [not measured]")
            ->type_name("HZ")
            ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    std::string uncertainty_text, unknowns_text = "C2,C3,k12", knob = "L1", json_file;
    app.add_option("--uncertainty", uncertainty_text, "standard uncertainty of every measured frequency [0.1]")
        ->type_name("PCT")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    app.add_option("--unknowns", unknowns_text,
                   "the elements to fit, any of C1, L1, C2, L2, C3, L3, k12, separated by commas [C2,C3,k12]")
        ->type_name("LIST")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    app.add_option("--retune", knob, "the primary element the retune changes with k12, fin and the stop [L1]")
        ->check(CLI::IsMember({"L1", "C1"}))
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    bool windings = false;
    app.add_flag("--windings", windings,
                 "also the primary's tap (turns) and offset for the design, as built and for the retune, with the "
                 "windings of the design (the default choices of 'zelvar-cli windings') [off]")
        ->disable_flag_override();
    app.add_option("--json", json_file,
                   "write the results as JSON: fitted, uncertainty, residuals, solutions, efficiency_as_built, "
                   "retune, value_file [none]")
        ->type_name("FILE")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);

    if (const int status = parse_command_line(app, args, out, err); status >= 0) return status;

    fit::FitInput input;
    try {
        input.unknowns = fit::parse_unknowns(unknowns_text);
    } catch (const Error& e) {
        err << "zelvar-cli fit: " << error_box_text(e.what()) << '\n' << "Run 'zelvar-cli fit --help' for the options.\n";
        return kExitUsage;
    }

    return run_command(
        [&] {
            const SimParams run = run_options.params();
            for (int m = 0; m < fit::kMeasurements; ++m)
                if (app.count(kFrequencyOptions[m]) > 0) input.measured[m] = parse_real(freq_text[m]);
            if (app.count("--uncertainty") > 0) {
                const long double pct = parse_real(uncertainty_text);
                if (!(pct > 0 && pct < 100)) throw Error("The uncertainty (%) must lie above 0 and below 100");
                input.uncertainty.fill(pct / 100);
            }
            fit::RetuneSettings settings;
            settings.knob = knob == "C1" ? fit::PrimaryKnob::C1 : fit::PrimaryKnob::L1;

            PrintingSink log(out);
            fit::FitOutcome outcome = fit::analyse(run, input, settings);
            if (windings) fit::place_primary(outcome, coil::default_winding_choices());
            fit::write_fit_report(outcome, log);
            if (!json_file.empty()) {
                write_file_atomically(json_file, fit::fit_json(outcome));
                report_line(log, "Fit saved in file " + json_file);
            }
            return outcome.has_figures();
        },
        out, err);
}

}  // namespace zelvar
