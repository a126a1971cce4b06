// zelvar-cli: the design engines and the simulator for scripts and batch work.
#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include "app/dispatch_cli.h"

int main(int argc, char** argv) {
    // A reader that goes away (`zelvar-cli modes | head -1`) makes the next
    // write fail, which the command reports with exit status 2, rather than
    // ending the program by the signal.
    std::signal(SIGPIPE, SIG_IGN);
    std::vector<std::string> args(argv + 1, argv + argc);
    return zelvar::run_cli(args, std::cout, std::cerr);
}
