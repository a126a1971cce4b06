#pragma once
// `zelvar-cli simulate`, and the options of a run that `netlist` shares.
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "sim/sim_params.h"

namespace zelvar {

// args are the options after the command name; returns the exit status.
int simulate_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The command line of a command that takes every input of a run as
// `simulate` does ("simulate" also takes --csv FILE, "netlist" --out FILE).
struct RunCommandLine {
    std::vector<std::pair<int, std::string>> options;  // the input options, in the given order
    std::optional<std::string> values_file, csv_file, out_file;
};

// Reads args (the options after the command name) for `command`; summary is
// the help's text before the options ('\n' ended).  Returns -1 when the command should
// run, otherwise its exit status: 0 after --help (printed on out), 64 after
// a usage error (message on err).
int parse_run_command_line(const std::string& command, const char* summary, const std::vector<std::string>& args,
                           std::ostream& out, std::ostream& err, RunCommandLine& line);

// The parameters: the value file's values (when given), then the options.  A
// refused number or value file raises zelvar::Error.
SimParams run_params(const RunCommandLine& line);

}  // namespace zelvar
