// SPDX-License-Identifier: GPL-3.0-or-later
// The command-line policy that every command follows: a setting out of its
// range is a usage error naming it, a repeated option takes its last value,
// outputs are checked before the run and never torn, every file written is
// announced with its name as given, and a value file is read safely.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/dispatch_cli.h"
#include "scratch_dir.h"

namespace zelvar {
namespace {

namespace fs = std::filesystem;

struct CliRun {
    int status;
    std::string out, err;
};

CliRun cli(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int status = run_cli(args, out, err);
    return {status, out.str(), err.str()};
}

std::string usage(const std::string& command, const std::string& message) {
    return "zelvar-cli " + command + ": " + message + "\nRun 'zelvar-cli " + command + " --help' for the options.\n";
}

std::string read_file(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

const std::string kCoupling = "The coupling k12 must be above -1 and below 1: a coupling of 1 or more is not a circuit.";

TEST(CliPolicy, RefusedSettingsAndNumbersNameTheirOption) {
    testdata::ScratchDir dir("zelvar-policy");
    ASSERT_EQ(cli({"design"}).status, kExitCompleted);
    const std::string threshold = "The threshold (%) must be between 0 and 100.";
    const std::string fin = "The source frequency fin must be a positive frequency.";
    const std::string range = "The frequency range must go from a positive frequency up to a higher one.";
    const std::string max = "The largest multiplier must be at least 4 (the smallest mode is 1:2:3:4) and at most 200.";
    const struct {
        std::vector<std::string> args;
        int status;
        std::string message;  // usage errors: the text before the line that points to --help
    } cases[] = {
        {{"tolerance", "--threshold", "-5"}, kExitUsage, threshold},
        {{"tolerance", "--threshold", "1000"}, kExitUsage, threshold},
        {{"tolerance", "--seed", "-1"}, kExitUsage, "The seed must be between 0 and 2147483647."},
        {{"tolerance", "--values", "zelvar.val", "--k12", "1"}, kExitUsage, kCoupling},
        {{"tolerance", "--values", "zelvar.val", "--csv", "./zelvar.val"}, kExitUsage,
         "--csv ./zelvar.val would overwrite the input file of --values."},
        // Refused before the million runs, not after them.
        {{"tolerance", "--values", "zelvar.val", "--runs", "1000000", "--csv", "nodir/x.csv"}, kExitError,
         "CSV file nodir/x.csv cannot be written: No such file or directory."},
        {{"tolerance", "--runs", ""}, kExitError, "The empty text given to --runs is not a valid number."},
        {{"response", "--values", "zelvar.val", "--k12", "1"}, kExitUsage, kCoupling},
        {{"response", "--values", "zelvar.val", "--k12", "2"}, kExitUsage, kCoupling},
        {{"response", "--values", "zelvar.val", "--k12", "-1"}, kExitUsage, kCoupling},
        {{"response", "--values", "zelvar.val", "--fin", "0"}, kExitUsage, fin},
        {{"response", "--values", "zelvar.val", "--fin", "-1"}, kExitUsage, fin},
        {{"response", "--values", "zelvar.val", "--from", "2E5", "--to", "1E5"}, kExitUsage, range},
        {{"netlist", "--values", "zelvar.val", "--vin", "1E4000"}, kExitUsage,
         "The value of --vin (1E4000) is outside the range of ngspice's numbers, 2.2250738585072E-308 to "
         "1.79769313486232E308 in magnitude."},
        {{"netlist", "--values", "zelvar.val", "--C1", "1E-4000"}, kExitUsage,
         "The value of --C1 (1E-4000) is outside the range of ngspice's numbers, 2.2250738585072E-308 to "
         "1.79769313486232E308 in magnitude."},
        {{"netlist", "--values", "zelvar.val", "--k12", "1"}, kExitUsage, kCoupling},
        {{"netlist", "--values", "zelvar.val", "--out", "zelvar.val"}, kExitUsage,
         "--out zelvar.val would overwrite the input file of --values."},
        {{"simulate", "--values", "zelvar.val", "--csv", "x", "--png", "x"}, kExitUsage,
         "--csv and --png name the same file x."},
        {{"simulate", "--C1", ""}, kExitError, "The empty text given to --C1 is not a valid number."},
        {{"modes", "--max", "0"}, kExitUsage, max},
        {{"modes", "--max", "-1"}, kExitUsage, max},
        {{"modes", "--max", "3"}, kExitUsage, max},
    };
    for (const auto& c : cases) {
        const CliRun r = cli(c.args);
        std::string line;
        for (const std::string& a : c.args) line += a + " ";
        EXPECT_EQ(r.status, c.status) << line;
        EXPECT_EQ(r.err, c.status == kExitUsage ? usage(c.args[0], c.message) : c.message + "\n") << line;
        EXPECT_EQ(r.out, "") << line;
    }
    EXPECT_FALSE(fs::exists("x"));
    EXPECT_EQ(std::distance(fs::directory_iterator("."), fs::directory_iterator()), 1);  // zelvar.val alone
    // The simulation itself keeps its own rules: a coupling of 1 or more runs.
    const CliRun simulated = cli({"simulate", "--values", "zelvar.val", "--k12", "2"});
    EXPECT_EQ(simulated.status, kExitCompleted) << simulated.err;
}

TEST(CliPolicy, ARepeatedOptionTakesItsLastValueInEveryCommand) {
    testdata::ScratchDir dir("zelvar-policy");
    ASSERT_EQ(cli({"design"}).status, kExitCompleted);
    const std::vector<std::vector<std::string>> cases = {
        {"design", "--k", "1", "--k", "5"},
        {"magnifier", "--k", "9", "--k", "1"},
        {"simulate", "--values", "zelvar.val", "--points", "10", "--points", "600"},
        {"netlist", "--values", "zelvar.val", "--vin", "1E4000", "--vin", "200"},
        {"tolerance", "--values", "zelvar.val", "--runs", "0", "--runs", "2", "--threshold", "-1", "--threshold", "50"},
        {"modes", "--max", "0", "--max", "5"},
        {"response", "--values", "zelvar.val", "--k12", "2", "--k12", "0.3", "--points", "1", "--points", "20"},
    };
    for (const auto& args : cases) {
        const CliRun r = cli(args);
        EXPECT_EQ(r.status, kExitCompleted) << args[0] << ": " << r.err;
        EXPECT_FALSE(r.out.empty()) << args[0];
    }
}

TEST(CliPolicy, EveryFileWrittenIsAnnouncedWithItsNameAsGiven) {
    testdata::ScratchDir dir("zelvar-policy");
    ASSERT_EQ(cli({"design"}).status, kExitCompleted);
    const struct {
        std::vector<std::string> args;
        std::string file, what;
    } cases[] = {
        {{"simulate", "--values", "zelvar.val", "--csv", "\xC3\xB6.csv"}, "\xC3\xB6.csv", "Samples"},
        {{"tolerance", "--values", "zelvar.val", "--runs", "3", "--csv", "t\xC3\xB6.csv"}, "t\xC3\xB6.csv", "Runs"},
        {{"response", "--values", "zelvar.val", "--csv", "r.csv"}, "r.csv", "Response"},
        {{"netlist", "--values", "zelvar.val", "--out", "d \xE2\x82\xAC.cir"}, "d \xE2\x82\xAC.cir", "Deck"},
        {{"modes", "--max", "5", "--csv", "m.csv"}, "m.csv", "Modes"},
    };
    for (const auto& c : cases) {
        const CliRun r = cli(c.args);
        ASSERT_EQ(r.status, kExitCompleted) << c.args[0] << ": " << r.err;
        ASSERT_FALSE(r.out.empty());
        EXPECT_EQ(lines_of(r.out).back(), c.what + " saved in file " + c.file) << c.args[0];
        EXPECT_GT(fs::file_size(c.file), 0u) << c.args[0];
    }
    EXPECT_EQ(lines_of(read_file("t\xC3\xB6.csv")).size(), 4u);  // the header and the three runs
}

// zelvar-cli in a child process whose files may not grow beyond 4096 bytes,
// with SIGXFSZ ignored (a disk that fills up): the exit status and standard
// error.
int run_with_file_limit(const std::vector<std::string>& args, std::string& err) {
    int pipe_fds[2];
    if (::pipe(pipe_fds) != 0) return -1;
    const pid_t pid = ::fork();
    if (pid == 0) {
        const rlimit limit{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ::signal(SIGXFSZ, SIG_IGN);
        ::dup2(pipe_fds[1], 2);
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        std::vector<char*> argv = {const_cast<char*>(ZELVAR_CLI_PATH)};
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(ZELVAR_CLI_PATH, argv.data());
        ::_exit(127);
    }
    ::close(pipe_fds[1]);
    char buf[4096];
    for (ssize_t n; (n = ::read(pipe_fds[0], buf, sizeof buf)) > 0;) err.append(buf, static_cast<std::size_t>(n));
    ::close(pipe_fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

TEST(CliPolicy, AFullDiskLeavesTheOldFileWholeAndSaysWhy) {
    testdata::ScratchDir dir("zelvar-policy");
    ASSERT_EQ(cli({"design"}).status, kExitCompleted);
    const std::vector<std::vector<std::string>> cases = {
        {"tolerance", "--values", "zelvar.val", "--runs", "20", "--threads", "2", "--csv", "out.csv"},
        {"simulate", "--values", "zelvar.val", "--csv", "out.csv"},
        {"response", "--values", "zelvar.val", "--csv", "out.csv"},
        {"modes", "--max", "9", "--all", "--csv", "out.csv"},
    };
    for (const auto& args : cases) {
        std::ofstream("out.csv") << "the user's old file\n";
        std::string err;
        EXPECT_EQ(run_with_file_limit(args, err), kExitError) << args[0];
        EXPECT_EQ(err, "CSV file out.csv cannot be written: File too large.\n") << args[0];
        EXPECT_EQ(read_file("out.csv"), "the user's old file\n") << args[0];
        EXPECT_EQ(std::distance(fs::directory_iterator("."), fs::directory_iterator()), 2) << args[0];
    }
}

// A reader that goes away: the program ignores SIGPIPE and reports the
// failed write with exit status 2, as the manual says.
TEST(CliPolicy, AClosedPipeIsAnErrorNotASignal) {
    testdata::ScratchDir dir("zelvar-policy");
    const std::string script = std::string("bash -c '\"$0\" modes 2>err.txt | head -1 > head.txt; echo ${PIPESTATUS[0]}' ") +
                               ZELVAR_CLI_PATH;
    FILE* pipe = ::popen(script.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    char buf[64] = {};
    const std::size_t n = std::fread(buf, 1, sizeof buf - 1, pipe);
    ::pclose(pipe);
    EXPECT_EQ(std::string(buf, n), "2\n");
    EXPECT_EQ(read_file("head.txt"), "Realizable modes: 5985\n");
    EXPECT_EQ(read_file("err.txt"), "zelvar-cli: the report could not be written to standard output\n");
}

TEST(CliPolicy, ValueFilesAreFilesOrPipesWithDataAndTheirBytesAreShownSafely) {
    testdata::ScratchDir dir("zelvar-policy");
    ASSERT_EQ(cli({"design"}).status, kExitCompleted);
    const std::string plain = read_file("zelvar.val");
    std::ofstream("bom.val", std::ios::binary) << "\xEF\xBB\xBF" << plain;
    const CliRun with_bom = cli({"netlist", "--values", "bom.val"});
    EXPECT_EQ(with_bom.status, kExitCompleted) << with_bom.err;
    EXPECT_EQ(with_bom.out, cli({"netlist", "--values", "zelvar.val"}).out);

    std::ofstream("latin1.val", std::ios::binary) << "C\xE9 1\n";
    EXPECT_EQ(cli({"netlist", "--values", "latin1.val"}).err,
              "Value file latin1.val, line 1: unknown key C?; the keys are C1, L1, C2, L2, C3, L3, k12 and fin.\n");
    std::ofstream("binary.val", std::ios::binary) << std::string("C1 \x80\xFF\x01\xC3\xA9", 8) << std::string(60, 'x')
                                                  << "\n";
    EXPECT_EQ(cli({"netlist", "--values", "binary.val"}).err,
              "Value file binary.val, line 1: ???\xC3\xA9" + std::string(35, 'x') + "... is not a valid number.\n");

    const CliRun device = cli({"netlist", "--values", "/dev/zero"});
    EXPECT_EQ(device.status, kExitError);
    EXPECT_EQ(device.err,
              "Value file /dev/zero cannot be read: not a file; a value file is a file, or a pipe with data.\n");
    ASSERT_EQ(::mkfifo("fifo.val", 0600), 0);
    const auto t0 = std::chrono::steady_clock::now();
    const CliRun fifo = cli({"netlist", "--values", "fifo.val"});  // nothing writes to it: refused, not waited for
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(10));
    EXPECT_EQ(fifo.err, "Value file fifo.val cannot be read: a pipe with nothing written to it; a value file is a "
                        "file, or a pipe with data.\n");
}

}  // namespace
}  // namespace zelvar
