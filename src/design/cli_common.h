// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Shared pieces of the `zelvar-cli` commands (include only from *_cli.cpp,
// which are built with CLI11).
#include <CLI/CLI.hpp>

#include <algorithm>
#include <exception>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "app/dispatch_cli.h"
#include "app/faults.h"
#include "report/format.h"
#include "report/report_log.h"

namespace zelvar {

// Report lines on a stream, one per line, in UTF-8, as they are written (so
// the lines before an error are printed).
class PrintingSink : public ReportSink {
public:
    explicit PrintingSink(std::ostream& out) : out_(out) {}
    void append_line(const std::string& latin1) override { out_ << latin1_to_utf8(latin1) << '\n' << std::flush; }

private:
    std::ostream& out_;
};

// A usage error of `zelvar-cli <command>`: CLI11's message, then where the
// options are listed.
inline void set_usage_failure(CLI::App& app, const std::string& command) {
    app.failure_message([command](const CLI::App*, const CLI::Error& e) {
        return "zelvar-cli " + command + ": " + e.what() + "\nRun 'zelvar-cli " + command +
               " --help' for the options.\n";
    });
}

// Parses args (the options after the command name) into app.  Returns -1
// when the command should run, otherwise the exit status: 0 after --help,
// kExitUsage after a usage error (with CLI11's message on err).
inline int parse_command_line(CLI::App& app, const std::vector<std::string>& args, std::ostream& out,
                              std::ostream& err) {
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::CallForHelp& e) {
        app.exit(e, out, err);
        return kExitCompleted;
    } catch (const CLI::ParseError& e) {
        app.exit(e, out, err);
        return kExitUsage;
    }
    return -1;
}

// Runs a command's work: its result (completed or stopped by the program's
// own check) as the exit status; an error's box text on err and exit 2.
// A report that could not be written to out (a full disk, a closed pipe) is
// an error too, not a success.
inline int run_command(const std::function<bool()>& work, std::ostream& out, std::ostream& err) {
    int status = kExitError;
    try {
        status = work() ? kExitCompleted : kExitStopped;
    } catch (const std::exception& e) {  // zelvar::Error and anything else
        out.flush();
        err << error_box_text(e.what()) << '\n';
    }
    out.flush();
    if (!out) {
        err << "zelvar-cli: the report could not be written to standard output\n";
        return kExitError;
    }
    return status;
}

}  // namespace zelvar
