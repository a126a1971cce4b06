#include "idealmag/magnifier_cli.h"

#include "app/dispatch_cli.h"

namespace zelvar {

int magnifier_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    (void)args;
    (void)out;
    err << "zelvar-cli magnifier: not built yet\n";
    return kExitUsage;
}

}  // namespace zelvar
