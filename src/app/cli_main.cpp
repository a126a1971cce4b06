// SPDX-License-Identifier: GPL-3.0-or-later
// zelvar-cli: the design engines and the simulator for scripts and batch work.
#include <iostream>
#include <string>
#include <vector>

#include "app/dispatch_cli.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return zelvar::run_cli(args, std::cout, std::cerr);
}
