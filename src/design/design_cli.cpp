#include "design/design_cli.h"

#include "app/dispatch_cli.h"

namespace zelvar {

int design_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    (void)args;
    (void)out;
    err << "zelvar-cli design: not built yet\n";
    return kExitUsage;
}

}  // namespace zelvar
