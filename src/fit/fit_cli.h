#pragma once
// `zelvar-cli fit`: the network as built from measured resonance
// frequencies, its transfer efficiency, and the retune of its primary.
#include <ostream>
#include <string>
#include <vector>

namespace zelvar {

// args are the options after the command name; returns the exit status.
int fit_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace zelvar
