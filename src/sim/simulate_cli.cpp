#include "sim/simulate_cli.h"

#include <exception>
#include <optional>

#include "app/dispatch_cli.h"
#include "app/faults.h"
#include "report/format.h"
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
     "take C1, L1, C2, L2, C3, L3, k12 and fin from a value file written by the design;\n"
     "                          element options given beside it override its values"},
    {"csv", Kind::text, "FILE", "none",
     "after a completed run, write the samples: t,vin,v1,v2,v3,vl,i1,i2,i3 (21 digits)"},
};

void print_help(std::ostream& out) {
    out << "usage: zelvar-cli simulate [options]\n"
           "Simulates the circuit and prints the lines the run writes to the report log.\n"
           "Exit status: 0 completed, 1 stopped by the run's own check (its line is the\n"
           "last one printed), 2 error (message on standard error), 64 usage error.\n"
           "Options (default in brackets):\n";
    for (const Option& o : kOptions) {
        std::string head = std::string("  --") + o.name;
        if (*o.arg) head += std::string(" ") + o.arg;
        if (head.size() < 26) head.resize(26, ' ');
        else head += "\n" + std::string(26, ' ');
        out << head << o.help << " [" << o.fallback << "]\n";
    }
    out << "  --help                  show this help\n";
}

struct Given {
    const Option* option;
    std::string value;
};

int usage_error(std::ostream& err, const std::string& message) {
    err << "zelvar-cli simulate: " << message << "\n"
        << "Run 'zelvar-cli simulate --help' for the options.\n";
    return kExitUsage;
}

void apply(const Given& g, SimParams& p, std::optional<std::string>& values_file,
           std::optional<std::string>& csv_file) {
    const std::string name = g.option->name;
    switch (g.option->kind) {
        case Kind::real:
            p.*(g.option->real) = parse_real(g.value);
            break;
        case Kind::integer:
            p.*(g.option->integer) = parse_int(g.value);
            break;
        case Kind::flag:
            p.*(g.option->flag) = true;
            break;
        case Kind::feedback:
            p.feedback = true;
            p.tstart = parse_real(g.value);
            break;
        case Kind::stop_mode:
            p.stop_mode = g.value == "open" ? kOpenDriver : g.value == "short" ? kShortDriver : kDiodeDriver;
            break;
        case Kind::text:
            (name == "values" ? values_file : csv_file) = g.value;
            break;
    }
}

}  // namespace

int simulate_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    // Usage first: every option known, every value present.
    std::vector<Given> given;
    for (std::size_t a = 0; a < args.size(); ++a) {
        const std::string& arg = args[a];
        if (arg == "--help" || arg == "-h") {
            print_help(out);
            return kExitCompleted;
        }
        if (arg.rfind("--", 0) != 0) return usage_error(err, "unexpected argument '" + arg + "'");
        std::string name = arg.substr(2);
        std::optional<std::string> value;
        if (const auto eq = name.find('='); eq != std::string::npos) {
            value = name.substr(eq + 1);
            name.resize(eq);
        }
        const Option* option = nullptr;
        for (const Option& o : kOptions)
            if (name == o.name) option = &o;
        if (option == nullptr) return usage_error(err, "unknown option '--" + name + "'");
        if (option->kind == Kind::flag) {
            if (value) return usage_error(err, "--" + name + " takes no value");
            given.push_back({option, ""});
            continue;
        }
        if (!value) {
            if (a + 1 == args.size()) return usage_error(err, "--" + name + " needs a value (" + option->arg + ")");
            value = args[++a];
        }
        if (option->kind == Kind::stop_mode && *value != "open" && *value != "short" && *value != "diodes")
            return usage_error(err, "--stop-mode takes open, short or diodes, not '" + *value + "'");
        given.push_back({option, *value});
    }

    try {
        SimParams params;
        std::optional<std::string> values_file;
        std::optional<std::string> csv_file;
        for (const Given& g : given)
            if (g.option->kind == Kind::text) apply(g, params, values_file, csv_file);
        if (values_file) read_value_file(*values_file, params);
        for (const Given& g : given)
            if (g.option->kind != Kind::text) apply(g, params, values_file, csv_file);

        SimResult result;
        LineCollector log;
        // The lines the run wrote, also those before a fault.
        const auto print_log = [&] {
            for (const std::string& line : log.lines) out << latin1_to_utf8(line) << "\n";
        };
        bool completed = false;
        try {
            completed = run_simulation(params, log, result, csv_file.has_value());
        } catch (...) {
            print_log();
            throw;
        }
        print_log();
        if (!completed) return kExitStopped;
        if (csv_file) write_sample_csv_file(*csv_file, result.samples);
        return kExitCompleted;
    } catch (const Error& e) {
        out.flush();
        err << error_box_text(e.what()) << "\n";
        return kExitError;
    } catch (const std::exception& e) {
        out.flush();
        err << e.what() << "\n";
        return kExitError;
    }
}

}  // namespace zelvar
