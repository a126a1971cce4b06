#include "sim/netlist_cli.h"

#include <cfloat>
#include <cmath>
#include <cstring>

#include "app/atomic_file.h"
#include "design/cli_common.h"
#include "sim/circuit_model.h"
#include "sim/netlist.h"
#include "sim/param_table.h"
#include "sim/simulate_cli.h"
#include "widgets/numeric_text.h"

namespace zelvar {

namespace {

// ngspice reads its numbers as doubles: a value of the run that a double
// cannot hold (1E4000, 1E-4000) is refused, naming its option.
void check_ngspice_range(const SimParams& params) {
    for (const ParamSpec& p : kParamTable) {
        if (p.kind != ParamKind::real || p.option == nullptr || std::string(p.key) == "Vmax") continue;
        const long double x = std::fabs(params.*p.real);
        if (x == 0 || (std::islessequal(x, DBL_MAX) && std::isgreaterequal(x, DBL_MIN))) continue;
        throw SettingError("The value of --" + std::string(p.option) + " (" + real_display_text(params.*p.real) +
                           ") is outside the range of ngspice's numbers, 2.2250738585072E-308 to "
                           "1.79769313486232E308 in magnitude");
    }
}

}  // namespace

int netlist_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    CLI::App app{"Writes the circuit of the run that 'simulate' makes with the same options as an\n"
                 "ngspice deck (ngspice -b FILE), on standard output or in --out FILE.  Where\n"
                 "ngspice cannot follow the run exactly, the deck says so in a comment and a\n"
                 "warning goes to standard error.\n"
                 "Exit status: 0 written, 1 stopped by the run's own check (its line on standard\n"
                 "error), 2 error (message on standard error or an output that cannot be\n"
                 "written), 64 usage error.  Defaults are in brackets.",
                 "zelvar-cli netlist"};
    set_usage_failure(app, "netlist");
    const RunOptions run_options(app);
    std::string out_text;
    CLI::Option* out_file = app.add_option("--out", out_text, "write the deck to FILE [standard output]")
                                ->type_name("FILE")
                                ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);

    if (const int status = parse_command_line(app, args, out, err); status >= 0) return status;

    return run_command(
        "netlist",
        [&] {
            const bool to_file = out_file->count() > 0;
            check_outputs({{"--values", run_options.values_file(), true}, {"--out", to_file ? out_text : ""}});
            const SimParams params = run_options.params();
            check_coupling(params);
            check_ngspice_range(params);
            if (to_file) check_writable("Deck", out_text);
            const Netlist netlist = make_netlist(params);
            if (!netlist.stop_line.empty()) {
                err << netlist.stop_line << "\n";
                return false;
            }
            for (const std::string& w : netlist.warnings) err << "zelvar-cli netlist: warning: " << w << "\n";
            if (out_file->count() == 0) {
                out << netlist.deck;
                return true;
            }
            write_named_file("Deck", out_text, netlist.deck);
            announce_file(out, "Deck", out_text);
            return true;
        },
        out, err);
}

}  // namespace zelvar
