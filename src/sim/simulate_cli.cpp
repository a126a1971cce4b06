#include "sim/simulate_cli.h"

#include <cctype>
#include <optional>

#include "design/cli_common.h"
#include "sim/param_table.h"
#include "sim/sample_csv.h"
#include "sim/sim_run.h"
#include "sim/value_file_input.h"
#include "widgets/numeric_text.h"

namespace zelvar {

namespace {

bool same_ignoring_case(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// An option's help: what it sets, the window's caption where it differs from
// the option's name, and the default in brackets.
std::string option_help(const ParamSpec& p) {
    std::string help = p.help;
    if (p.caption != nullptr && p.kind != ParamKind::choice && !same_ignoring_case(p.caption, p.option))
        help += std::string(" (\"") + p.caption + "\")";
    const std::string fallback = param_default_text(p);
    if (p.also_sets != nullptr)
        help += " [off (" + std::string(p.unit) + " = " + fallback + ")]";
    else
        help += " [" + fallback + "]";
    return help;
}

// Sets what the option of p given with `text` stands for.
void apply(const ParamSpec& p, const std::string& text, SimParams& params) {
    switch (p.kind) {
        case ParamKind::real:
            params.*p.real = parse_real(text);
            break;
        case ParamKind::integer:
            params.*p.integer = parse_int(text);
            break;
        case ParamKind::flag:
            params.*p.flag = true;
            break;
        case ParamKind::choice:
            for (int i = 0; p.choices[i] != nullptr; ++i)
                if (text == p.choices[i]) {
                    params.*p.choice = i;
                    break;
                }
            break;
    }
    if (p.also_sets != nullptr) params.*p.also_sets = true;
}

}  // namespace

int simulate_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    CLI::App app{"Simulates the circuit and prints the lines the run writes to the report log.\n"
                 "Exit status: 0 completed, 1 stopped by the run's own check (its line is the\n"
                 "last one printed), 2 error (message on standard error or an output that\n"
                 "cannot be written), 64 usage error.  A completed run ends with the line\n"
                 "\"Run completed: N points.\" (and \"Samples saved in file FILE\" with --csv).\n"
                 "Defaults are in brackets.",
                 "zelvar-cli simulate"};
    app.failure_message([](const CLI::App*, const CLI::Error& e) {
        return std::string("zelvar-cli simulate: ") + e.what() +
               "\nRun 'zelvar-cli simulate --help' for the options.\n";
    });

    // One option per entry of the parameter table that has one.
    struct Given {
        const ParamSpec* spec;
        std::string text;
        CLI::Option* cli;
    };
    std::vector<Given> given;
    given.reserve(kParamCount);
    for (const ParamSpec& p : kParamTable) {
        if (p.option == nullptr) continue;
        given.push_back({&p, {}, nullptr});
        Given& g = given.back();
        const std::string name = std::string("--") + p.option;
        if (p.kind == ParamKind::flag) {
            const std::string help = option_help(p);
            g.cli = app.add_flag(name, help)->disable_flag_override();
            continue;
        }
        g.cli = app.add_option(name, g.text, option_help(p))
                    ->type_name(p.unit)
                    ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
        if (p.kind == ParamKind::choice) {
            std::vector<std::string> words;
            for (int i = 0; p.choices[i] != nullptr; ++i) words.push_back(p.choices[i]);
            g.cli->check(CLI::IsMember(words));
        }
    }
    std::string values_text, csv_text;
    CLI::Option* values =
        app.add_option("--values", values_text,
                       "take C1, L1, C2, L2, C3, L3, k12 and fin from a value file written by the design; "
                       "element options given beside it override its values [none]")
            ->type_name("FILE")
            ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    CLI::Option* csv =
        app.add_option("--csv", csv_text,
                       "after a completed run, write the samples: t,vin,v1,v2,v3,vl,i1,i2,i3 (21 digits) [none]")
            ->type_name("FILE")
            ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);

    if (const int status = parse_command_line(app, args, out, err); status >= 0) return status;

    return run_command(
        [&] {
            SimParams params;
            if (values->count() > 0) read_value_file(values_text, params);
            for (const Given& g : given)
                if (g.cli->count() > 0) apply(*g.spec, g.text, params);
            const bool store = csv->count() > 0;

            PrintingSink log(out);
            SimResult result;
            if (!run_simulation(params, log, result, store)) return false;
            report_line(log, "Run completed: " + I(params.points) + " points.");
            if (store) {
                write_sample_csv_file(csv_text, result.samples);
                report_line(log, "Samples saved in file " + csv_text);
            }
            return true;
        },
        out, err);
}

}  // namespace zelvar
