#pragma once
// `zelvar-cli simulate`, and the input options of a run that other commands
// (`netlist`) share with it.
#include <ostream>
#include <string>
#include <vector>

#include "sim/sim_params.h"

namespace CLI {
class App;
class Option;
}  // namespace CLI

namespace zelvar {

// args are the options after the command name; returns the exit status.
int simulate_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The input options of a run, added to a command's CLI11 app: one per entry
// of the parameter table that has one, then --values FILE.  CLI11 keeps
// references into the object: it must stay in place while the app parses.
class RunOptions {
public:
    // circuit_only: the options of the circuit's elements, k12 and fin only
    // (is_circuit_param()), for a command that runs no simulation.
    explicit RunOptions(CLI::App& app, bool circuit_only = false);
    ~RunOptions();
    RunOptions(const RunOptions&) = delete;
    RunOptions& operator=(const RunOptions&) = delete;

    // The value file's values (with --values), then every option given.  A
    // refused number or value file raises zelvar::Error.
    SimParams params() const;

    // The value file given with --values (empty without it).
    const std::string& values_file() const { return values_text_; }

private:
    struct Given;
    std::vector<Given> given_;
    std::string values_text_;
    CLI::Option* values_ = nullptr;
};

}  // namespace zelvar
