// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/netlist_cli.h"

#include <cstring>

#include "app/atomic_file.h"
#include "app/project_options.h"
#include "design/cli_common.h"
#include "sim/netlist.h"
#include "sim/simulate_cli.h"

namespace zelvar {

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
    const ProjectOptions project_options(app);

    if (const int status = parse_command_line(app, args, out, err); status >= 0) return status;

    return run_command(
        [&] {
            Project project = project_options.base();
            const SimParams params = run_options.params(project);
            {
                PrintingSink log(err);  // the deck may go to standard output
                put_sim_params(project, params);
                project_options.save(project, log);
            }
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
            try {
                write_file_atomically(out_text, netlist.deck);
            } catch (const FileError& e) {
                throw Error("Deck file " + out_text + " cannot be written: " + std::strerror(e.errno_value));
            }
            return true;
        },
        out, err);
}

}  // namespace zelvar
