#include "sim/simulate_cli.h"

#include <iterator>
#include <optional>

#include "design/cli_common.h"
#include "sim/sample_csv.h"
#include "sim/sim_run.h"
#include "sim/value_file_input.h"
#include "widgets/numeric_text.h"

namespace zelvar {

namespace {

enum class Kind { real, integer, flag, stop_mode, feedback, text };

struct Option {
    const char* name;      // without the leading "--"
    Kind kind;
    const char* arg;       // argument name in the help, "" for a flag
    const char* fallback;  // the default as shown in the help
    const char* help;
    // The parameter it sets (by kind: real, integer, flag).
    long double SimParams::*real = nullptr;
    std::int32_t SimParams::*integer = nullptr;
    bool SimParams::*flag = nullptr;
};

// One option per field of the parameter window that a run reads, with the
// window's defaults.
constexpr Option kOptions[] = {
    {"C1", Kind::real, "F", "0", "primary capacitance", &SimParams::C1},
    {"L1", Kind::real, "H", "0", "primary inductance", &SimParams::L1},
    {"R1", Kind::real, "ohm", "0", "primary resistance", &SimParams::R1},
    {"C2", Kind::real, "F", "0", "secondary capacitance", &SimParams::C2},
    {"L2", Kind::real, "H", "0", "secondary inductance", &SimParams::L2},
    {"R2", Kind::real, "ohm", "0", "secondary resistance", &SimParams::R2},
    {"C3", Kind::real, "F", "0", "output capacitance", &SimParams::C3},
    {"L3", Kind::real, "H", "0", "output inductance", &SimParams::L3},
    {"R3", Kind::real, "ohm", "0", "output inductor resistance", &SimParams::R3},
    {"CL", Kind::real, "F", "1E-14", "load capacitance (\"C load\")", &SimParams::CL},
    {"RL", Kind::real, "ohm", "220000", "load resistance (\"R load\")", &SimParams::RL},
    {"k12", Kind::real, "K", "0", "coupling coefficient of L1 and L2", &SimParams::k12},
    {"vin", Kind::real, "V", "200", "source amplitude (\"Vin (V)\")", &SimParams::Vin},
    {"fin", Kind::real, "Hz", "300000", "source frequency (\"Fin (Hz)\")", &SimParams::fin},
    {"tmax", Kind::real, "s", "1.5E-5", "simulated time (\"Max time\")", &SimParams::tmax},
    {"stop", Kind::real, "s", "10", "time at which the driver stops (\"Stop time\")", &SimParams::tstop},
    {"stop-mode", Kind::stop_mode, "open|short|diodes", "diodes",
     "stopped driver: open (Ropen), short-circuited, or open with free-wheeling diodes"},
    {"Ropen", Kind::real, "ohm", "10000", "resistance of the open driver", &SimParams::Ropen},
    {"square", Kind::flag, "", "off", "square wave instead of a sine (\"Square vin\")",
     nullptr, nullptr, &SimParams::square},
    {"feedback-after", Kind::feedback, "T", "off (T = 1E-6)",
     "square wave locked to the sign of the primary current after t = T"},
    {"VC10", Kind::real, "V", "0", "initial voltage of C1 (\"VC1(0) (V)\")", &SimParams::VC10},
    {"points", Kind::integer, "N", "600", "number of stored samples, at most 50000 (\"Points\")",
     nullptr, &SimParams::points},
    {"steps", Kind::integer, "S", "10", "integration steps between two samples (\"Internal steps\")",
     nullptr, &SimParams::steps},
    {"vmax", Kind::real, "V", "200000", "value range used with --use-vmax (\"Vmax\")", &SimParams::Vmax},
    {"use-vmax", Kind::flag, "", "off", "view range -vmax..vmax instead of the run's range (\"Use Vmax\")",
     nullptr, nullptr, &SimParams::use_vmax},
    {"maxima", Kind::flag, "", "off", "write the maxima and energy report (\"Find maxima\")",
     nullptr, nullptr, &SimParams::find_maxima},
    {"values", Kind::text, "FILE", "none",
     "take C1, L1, C2, L2, C3, L3, k12 and fin from a value file written by the design; "
     "element options given beside it override its values"},
    {"csv", Kind::text, "FILE", "none",
     "after a completed run, write the samples: t,vin,v1,v2,v3,vl,i1,i2,i3 (21 digits)"},
};

// Sets what option o with the text given to it stands for.
void apply(const Option* o, const std::string& text, SimParams& p, std::optional<std::string>& values_file,
           std::optional<std::string>& csv_file) {
    switch (o->kind) {
        case Kind::real:
            p.*(o->real) = parse_real(text);
            break;
        case Kind::integer:
            p.*(o->integer) = parse_int(text);
            break;
        case Kind::flag:
            p.*(o->flag) = true;
            break;
        case Kind::feedback:
            p.feedback = true;
            p.tstart = parse_real(text);
            break;
        case Kind::stop_mode:
            p.stop_mode = text == "open" ? kOpenDriver : text == "short" ? kShortDriver : kDiodeDriver;
            break;
        case Kind::text:
            (std::string(o->name) == "values" ? values_file : csv_file) = text;
            break;
    }
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
    struct Given {
        const Option* option;
        std::string text;
        CLI::Option* cli = nullptr;
    };
    std::vector<Given> given;
    given.reserve(std::size(kOptions));
    for (const Option& o : kOptions) {
        given.push_back({&o, {}});
        Given& g = given.back();
        const std::string name = std::string("--") + o.name;
        const std::string help = std::string(o.help) + " [" + o.fallback + "]";
        if (o.kind == Kind::flag) {
            g.cli = app.add_flag(name, help)->disable_flag_override();
            continue;
        }
        g.cli = app.add_option(name, g.text, help)
                    ->type_name(o.arg)
                    ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
        if (o.kind == Kind::stop_mode) g.cli->check(CLI::IsMember({"open", "short", "diodes"}));
    }

    if (const int status = parse_command_line(app, args, out, err); status >= 0) return status;

    return run_command(
        [&] {
            SimParams params;
            std::optional<std::string> values_file;
            std::optional<std::string> csv_file;
            for (const Given& g : given)
                if (g.option->kind == Kind::text && g.cli->count() > 0)
                    apply(g.option, g.text, params, values_file, csv_file);
            if (values_file) read_value_file(*values_file, params);
            for (const Given& g : given)
                if (g.option->kind != Kind::text && g.cli->count() > 0)
                    apply(g.option, g.text, params, values_file, csv_file);

            PrintingSink log(out);
            SimResult result;
            if (!run_simulation(params, log, result, csv_file.has_value())) return false;
            report_line(log, "Run completed: " + I(params.points) + " points.");
            if (csv_file) {
                write_sample_csv_file(*csv_file, result.samples);
                report_line(log, "Samples saved in file " + *csv_file);
            }
            return true;
        },
        out, err);
}

}  // namespace zelvar
