#include "sim/netlist_cli.h"

#include <cerrno>
#include <cstring>
#include <exception>
#include <fstream>

#include "app/dispatch_cli.h"
#include "app/faults.h"
#include "sim/netlist.h"
#include "sim/simulate_cli.h"

namespace zelvar {

namespace {

void write_deck_file(const std::string& path, const std::string& deck) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file) throw Error("Deck file " + path + " cannot be written: " + std::strerror(errno));
    file << deck;
    file.flush();
    if (!file) throw Error("Deck file " + path + " cannot be written: " + std::strerror(errno));
}

}  // namespace

int netlist_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    RunCommandLine line;
    const int usage = parse_run_command_line(
        "netlist",
        "Writes the circuit of the run that 'simulate' would make with the same options\n"
        "as an ngspice deck (ngspice -b FILE), on standard output or in --out FILE.\n"
        "Where ngspice cannot follow the run exactly, the deck says so in a comment and\n"
        "a warning goes to standard error.\n"
        "Exit status: 0 written, 1 stopped by the run's own check (its line on standard\n"
        "error), 2 error (message on standard error), 64 usage error.\n",
        args, out, err, line);
    if (usage >= 0) return usage;

    try {
        const Netlist netlist = make_netlist(run_params(line));
        if (!netlist.stop_line.empty()) {
            err << netlist.stop_line << "\n";
            return kExitStopped;
        }
        for (const std::string& w : netlist.warnings) err << "zelvar-cli netlist: warning: " << w << "\n";
        if (line.out_file) {
            write_deck_file(*line.out_file, netlist.deck);
        } else {
            out << netlist.deck;
            out.flush();
            if (!out) {
                err << "zelvar-cli: the deck could not be written to standard output\n";
                return kExitError;
            }
        }
        return kExitCompleted;
    } catch (const std::exception& e) {  // zelvar::Error and anything else
        err << error_box_text(e.what()) << "\n";
        return kExitError;
    }
}

}  // namespace zelvar
