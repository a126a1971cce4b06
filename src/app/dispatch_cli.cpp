#include "app/dispatch_cli.h"

#include "coil/windings_cli.h"
#include "design/design_cli.h"
#include "design/modes_cli.h"
#include "fit/fit_cli.h"
#include "idealmag/magnifier_cli.h"
#include "sim/netlist_cli.h"
#include "sim/response_cli.h"
#include "sim/simulate_cli.h"
#include "sim/tolerance_cli.h"

namespace zelvar {

int run_cli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    static const char* usage =
        "usage: zelvar-cli <command> [options]\n"
        "commands:\n"
        "  design      design a triple-resonance network and write zelvar.val\n"
        "  magnifier   design an ideal spark-gap magnifier\n"
        "  simulate    simulate the circuit and print the run's report\n"
        "  netlist     write the circuit of a run as an ngspice deck\n"
        "  tolerance   Monte Carlo and sensitivity analysis of a simulation\n"
        "  modes       design every mode k:l:m:n up to a limit and list the realizable ones\n"
        "  response    natural frequencies and frequency response of the circuit\n"
        "  fit         the network as built from measured resonances, and its retune\n"
        "  windings    the winding sheet of a design: turns, capacitors, top terminal, primary, losses\n"
        "  coil        inductance, own capacitance, resonance and losses of one wound coil\n"
        "Run 'zelvar-cli <command> --help' for the options of a command.\n";
    if (args.empty()) {
        err << usage;
        return kExitUsage;
    }
    const std::string& command = args[0];
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (command == "--version") {
        out << "zelvar-cli " << ZELVAR_VERSION << '\n';
        return kExitCompleted;
    }
    if (command == "design") return design_command(rest, out, err);
    if (command == "magnifier") return magnifier_command(rest, out, err);
    if (command == "simulate") return simulate_command(rest, out, err);
    if (command == "netlist") return netlist_command(rest, out, err);
    if (command == "tolerance") return tolerance_command(rest, out, err);
    if (command == "modes") return modes_command(rest, out, err);
    if (command == "response") return response_command(rest, out, err);
    if (command == "fit") return fit_command(rest, out, err);
    if (command == "windings") return windings_command(rest, out, err);
    if (command == "coil") return coil_command(rest, out, err);
    if (command == "--help" || command == "-h" || command == "help") {
        out << usage;
        return kExitCompleted;
    }
    err << "zelvar-cli: unknown command '" << command << "'\n" << usage;
    return kExitUsage;
}

}  // namespace zelvar
