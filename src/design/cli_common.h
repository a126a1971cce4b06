#pragma once
// Shared pieces of the `zelvar-cli` commands (include only from *_cli.cpp,
// which are built with CLI11).
//
// The command-line policy, the same for every command:
//  - a repeated option takes its last value (set_usage_failure() makes it
//    every option's default);
//  - a setting outside its range (zelvar::SettingError, from the check that
//    owns the range) is a usage error, exit 64; a refused number or file,
//    and every other error, exit 2;
//  - every file goes through the atomic writer with one message,
//    cannot_write_message() (app/atomic_file.h), and each file written is
//    announced on standard output as it is written, "<What> saved in file
//    <name>", the name as given;
//  - two outputs onto one file, or an output onto an input, are refused as a
//    usage error naming both options (check_outputs());
//  - a command that can run longer than a second shows its progress on
//    standard error when that is a terminal (with_progress()).
#include <CLI/CLI.hpp>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <functional>
#include <iostream>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "app/dispatch_cli.h"
#include "app/faults.h"
#include "report/format.h"
#include "report/report_log.h"
#include "widgets/numeric_text.h"

namespace zelvar {

// Report lines on a stream, one per line, in UTF-8, as they are written (so
// the lines before an error are printed).
class PrintingSink : public ReportSink {
public:
    explicit PrintingSink(std::ostream& out) : out_(out) {}
    void append_line(const std::string& latin1) override { out_ << latin1_to_utf8(latin1) << '\n' << std::flush; }
    // A line that is UTF-8 already (one that holds a file name as given).
    void append_utf8_line(const std::string& utf8) { out_ << utf8 << '\n' << std::flush; }

private:
    std::ostream& out_;
};

// "<What> saved in file <path>": the name exactly as given (a file name is
// bytes, UTF-8 on the command line; it is not converted as a Latin-1 report
// line is).  Called once the file is in place, so the lines say which files
// a command wrote even when it fails later.
inline void announce_file(std::ostream& out, const std::string& what, const std::string& path) {
    fp_check();  // no line follows a pending fault
    out << what << " saved in file " << path << '\n' << std::flush;
}

// The usage error text of `zelvar-cli <command>`.
inline std::string usage_text(const std::string& command, const std::string& message) {
    if (command.empty()) return "zelvar-cli: " + message + "\nRun 'zelvar-cli --help' for the commands.\n";
    return "zelvar-cli " + command + ": " + message + "\nRun 'zelvar-cli " + command + " --help' for the options.\n";
}

// Called first for every command's app: a usage error of `zelvar-cli
// <command>` is CLI11's message, then where the options are listed; every
// option added afterwards takes its last value when repeated.
inline void set_usage_failure(CLI::App& app, const std::string& command) {
    app.failure_message([command](const CLI::App*, const CLI::Error& e) { return usage_text(command, e.what()); });
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
}

// The number given to an option, by the fields' rules; an empty text is
// refused naming the option (any other refused text in the field's words).
inline long double option_real(const std::string& option, const std::string& text) {
    if (text.empty()) throw Error("The empty text given to " + option + " is not a valid number");
    return parse_real(text);
}
inline std::int32_t option_int(const std::string& option, const std::string& text) {
    if (text.empty()) throw Error("The empty text given to " + option + " is not a valid number");
    return parse_int(text);
}

// One file a command reads or writes, as given on its command line.
struct FileOption {
    const char* option;  // "--csv"
    std::string path;    // empty: not given
    bool input = false;
};

namespace detail {
// The same file: the same inode where both exist, otherwise the same name
// once the folders are resolved.  Special files (a device, a pipe, this
// process's descriptor) are written into, so two outputs there are allowed.
inline bool same_file(const std::string& a, const std::string& b) {
    struct stat sa, sb;
    const bool ea = ::stat(a.c_str(), &sa) == 0, eb = ::stat(b.c_str(), &sb) == 0;
    if (ea && eb) return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino && S_ISREG(sa.st_mode);
    if (ea != eb) return false;
    std::error_code ca, cb;
    const std::filesystem::path pa = std::filesystem::weakly_canonical(a, ca);
    const std::filesystem::path pb = std::filesystem::weakly_canonical(b, cb);
    return ca || cb ? a == b : pa == pb;
}
}  // namespace detail

// Refuses (SettingError) two outputs onto one file and an output onto an
// input file, naming both options.
inline void check_outputs(const std::vector<FileOption>& files) {
    for (std::size_t i = 0; i < files.size(); ++i)
        for (std::size_t j = i + 1; j < files.size(); ++j) {
            const FileOption& a = files[i];
            const FileOption& b = files[j];
            if (a.path.empty() || b.path.empty() || (a.input && b.input)) continue;
            if (!detail::same_file(a.path, b.path)) continue;
            if (a.input || b.input) {
                const FileOption& in = a.input ? a : b;
                const FileOption& output = a.input ? b : a;
                throw SettingError(std::string(output.option) + " " + output.path + " would overwrite the input file of " +
                                   in.option);
            }
            throw SettingError(std::string(a.option) + " and " + b.option + " name the same file " + b.path);
        }
}

// Runs work() on a thread of its own while this thread shows "<label>: N of
// M <unit>" on err, every tenth of a second, when err is the process's
// standard error and a terminal; otherwise runs it here.  done and total are
// the work's own counters.  work's exception comes back to the caller.
template <class Work>
auto with_progress(std::ostream& err, const std::string& label, const std::string& unit,
                   const std::atomic<std::int32_t>& done, const std::atomic<std::int32_t>& total, Work&& work)
    -> decltype(work()) {
    if (&err != &std::cerr || ::isatty(STDERR_FILENO) != 1) return work();
    using Result = decltype(work());
    Result result{};
    std::exception_ptr failure;
    std::atomic<bool> finished{false};
    std::thread worker([&] {
        try {
            result = work();
        } catch (...) {
            failure = std::current_exception();
        }
        finished = true;
    });
    bool shown = false;
    while (!finished.load()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        err << "\r" << label << ": " << done.load() << " of " << total.load() << " " << unit << std::flush;
        shown = true;
    }
    worker.join();
    if (shown) err << "\n" << std::flush;
    if (failure) std::rethrow_exception(failure);
    return result;
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
// own check) as the exit status; a setting out of its range as a usage error
// (exit 64); any other error's box text on err and exit 2.  A report that
// could not be written to out (a full disk, a closed pipe) is an error too,
// not a success.
inline int run_command(const std::string& command, const std::function<bool()>& work, std::ostream& out,
                       std::ostream& err) {
    int status = kExitError;
    try {
        status = work() ? kExitCompleted : kExitStopped;
    } catch (const SettingError& e) {
        out.flush();
        err << usage_text(command, error_box_text(e.what()));
        status = kExitUsage;
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

// The same without the command's name in a usage error.
inline int run_command(const std::function<bool()>& work, std::ostream& out, std::ostream& err) {
    return run_command("", work, out, err);
}

}  // namespace zelvar
