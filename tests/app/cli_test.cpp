// zelvar-cli design and magnifier: options, exit statuses, UTF-8 output,
// and one end-to-end run of the built program.
#include "app/dispatch_cli.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "../design/default_design_report.h"
#include "../idealmag/magnifier_example.h"
#include "report/format.h"
#include "scratch_dir.h"

using namespace zelvar;
namespace fs = std::filesystem;

namespace {

const std::string mu = "\xC2\xB5";  // U+00B5 in UTF-8

const std::string kDefaultValueFile = testdata::default_value_file();

// A report as standard output carries it: UTF-8, one line per line.
std::string as_output(const std::vector<std::string>& latin1_lines) {
    std::string out;
    for (const auto& line : latin1_lines) out += latin1_to_utf8(line) + "\n";
    return out;
}

const std::string kMagnifierReport = as_output(testdata::magnifier_worked_example());

std::vector<std::string> split_lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::string read_file(const fs::path& name) {
    std::ifstream in(name, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

class Cli : public ::testing::Test {
protected:
    struct Result {
        int status;
        std::string out, err;
    };
    static Result cli(const std::vector<std::string>& args) {
        std::ostringstream out, err;
        const int status = run_cli(args, out, err);
        return {status, out.str(), err.str()};
    }

    testdata::ScratchDir scratch_{"zelvar-cli"};
    const fs::path dir_ = scratch_.path();
};

TEST_F(Cli, DesignDefaults) {
    const Result r = cli({"design"});
    EXPECT_EQ(r.status, kExitCompleted);
    EXPECT_EQ(r.err, "");
    const auto lines = split_lines(r.out);
    ASSERT_EQ(lines.size(), 39u);
    EXPECT_EQ(lines[0], "Residues:");
    EXPECT_EQ(lines[24], "L[3]:  30000.000000000 " + mu + "H ( 3.000000000E-0002 H)");
    EXPECT_EQ(lines[29], "k12:    0.299936354");
    EXPECT_EQ(lines[31], "Excitation frequency: 319495.401967657 Hz");
    EXPECT_EQ(lines[37], "Energy transfer time:    7.042354870 us");
    EXPECT_EQ(lines[38], "Values saved in file zelvar.val");
    EXPECT_EQ(read_file("zelvar.val"), kDefaultValueFile);
}

TEST_F(Cli, DesignOptions) {
    // Every number option reaches the engine: 1:3:5:7 at n*w0 with other elements.
    Result r = cli({"design", "--k", "1", "--l=3", "--m", " 5", "--n", "7.", "--excitation", "n", "--C1", "1e-8",
                    "--C3", "2E-11", "--L3", ".05"});
    EXPECT_EQ(r.status, kExitCompleted) << r.err;
    auto lines = split_lines(r.out);
    EXPECT_EQ(lines[4], "Excitation at  7.0 rad/s; Sum=1.0000000000000");
    EXPECT_EQ(lines[23], "C[3]:     20.000000000 pF ( 2.000000000E-0011 F)");
    EXPECT_EQ(lines[24], "L[3]:  50000.000000000 " + mu + "H ( 5.000000000E-0002 H)");
    EXPECT_EQ(lines[27], "C[1]:  10000.000000000 pF ( 1.000000000E-0008 F)");

    // The leave options tick their boxes with the given factors.
    r = cli({"design", "--excitation", "l", "--leave-c1", "-0.9"});
    EXPECT_EQ(r.status, kExitCompleted) << r.err;
    lines = split_lines(r.out);
    EXPECT_EQ(lines[0], "Limits for the factor for the energy left in C1:");
    EXPECT_EQ(lines[1], "Factor <   -0.2357142857");
    EXPECT_EQ(lines[3], "Residues:");

    r = cli({"design", "--excitation=l", "--leave-c1=-.9", "--leave-c2", "0.03"});
    EXPECT_EQ(r.status, kExitStopped);
    lines = split_lines(r.out);
    ASSERT_EQ(lines.size(), 13u);
    EXPECT_EQ(lines[3], "Limits for the factor for the energy left in C2:");
    EXPECT_EQ(lines.back(), "The design is irrealizable.");
}

TEST_F(Cli, DesignExitStatuses) {
    Result r = cli({"design", "--excitation", "k"});
    EXPECT_EQ(r.status, kExitStopped);
    EXPECT_EQ(split_lines(r.out).back(), "The design is irrealizable.");
    EXPECT_EQ(r.err, "");
    EXPECT_FALSE(fs::exists("zelvar.val"));

    r = cli({"design", "--C1", "0"});
    EXPECT_EQ(r.status, kExitError);
    EXPECT_EQ(r.err, "Floating point division by zero.\n");
    EXPECT_EQ(split_lines(r.out).size(), 22u);
    EXPECT_FALSE(fs::exists("zelvar.val"));
}

TEST_F(Cli, RefusedNumbersGiveTheFieldMessages) {
    const struct {
        std::vector<std::string> args;
        const char* err;
    } cases[] = {
        {{"design", "--k", "12,5"}, "12,5 is not a valid number.\n"},
        {{"design", "--C1", ""}, "The empty text given to --C1 is not a valid number.\n"},  // names its option
        {{"design", "--C3", "1e5000"}, "Floating point overflow.\n"},
        {{"design", "--excitation", "l", "--leave-c2", "x"}, "x is not a valid number.\n"},
        {{"magnifier", "--k", "1.5"}, "1.5 is not a valid number.\n"},
        {{"magnifier", "--L3", "2 mH"}, "2 mH is not a valid number.\n"},
    };
    for (const auto& c : cases) {
        const Result r = cli(c.args);
        EXPECT_EQ(r.status, kExitError) << c.args[1];
        EXPECT_EQ(r.err, c.err);
        EXPECT_EQ(r.out, "");
    }
    EXPECT_FALSE(fs::exists("zelvar.val"));
}

TEST_F(Cli, UsageErrors) {
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"design", "--bogus", "1"},
             {"design", "--C1"},
             {"design", "extra"},
             {"design", "--excitation", "q"},
             {"magnifier", "--n", "3"},
             {"magnifier", "--k"},
         }) {
        const Result r = cli(args);
        EXPECT_EQ(r.status, kExitUsage) << args[1];
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err, "");
    }
    // A repeated option is no usage error: its last value counts.
    const Result repeated = cli({"design", "--C1", "1", "--C1", "5E-9"});
    EXPECT_EQ(repeated.status, kExitCompleted) << repeated.err;
    EXPECT_EQ(repeated.out, cli({"design"}).out);
    fs::remove("zelvar.val");
    // Every command names itself and where its options are listed.
    for (const std::string command : {"design", "magnifier", "simulate", "netlist", "modes", "response", "tolerance"}) {
        const Result r = cli({command, "--bogus"});
        EXPECT_EQ(r.status, kExitUsage) << command;
        EXPECT_EQ(r.err, "zelvar-cli " + command + ": The following argument was not expected: --bogus\nRun 'zelvar-cli " +
                             command + " --help' for the options.\n");
    }
    EXPECT_FALSE(fs::exists("zelvar.val"));
}

TEST_F(Cli, HelpListsEveryOptionWithItsDefault) {
    Result r = cli({"design", "--help"});
    EXPECT_EQ(r.status, kExitCompleted);
    for (const char* option : {"--k NUMBER=5 ", "--l NUMBER=7 ", "--m NUMBER=9 ", "--n NUMBER=11 ",
                               "--C1 NUMBER=5E-9 ", "--C3 NUMBER=1E-11 ", "--L3 NUMBER=0.03 ", "{k,l,m,n}=m",
                               "--leave-c1 FACTOR", "factor is -0.9)", "--leave-c2 FACTOR", "factor is 0.03)"})
        EXPECT_NE(r.out.find(option), std::string::npos) << option;
    EXPECT_FALSE(fs::exists("zelvar.val"));

    r = cli({"magnifier", "-h"});
    EXPECT_EQ(r.status, kExitCompleted);
    for (const char* option : {"--k INTEGER=1 ", "--l INTEGER=2 ", "--m INTEGER=3 ", "--C1 NUMBER=5E-9 ",
                               "--L3 NUMBER=0.0282 ", "--C3 NUMBER=1.5E-11 "})
        EXPECT_NE(r.out.find(option), std::string::npos) << option;
}

TEST_F(Cli, Magnifier) {
    Result r = cli({"magnifier"});
    EXPECT_EQ(r.status, kExitCompleted);
    EXPECT_EQ(r.out, kMagnifierReport);
    EXPECT_EQ(r.err, "");

    r = cli({"magnifier", "--k", "$1", "--l", "0x2", "--m", "3", "--C1", "5E-9", "--L3", "0.0282", "--C3", "1.5e-11"});
    EXPECT_EQ(r.status, kExitCompleted);
    EXPECT_EQ(r.out, kMagnifierReport);

    r = cli({"magnifier", "--k", "1", "--l", "3", "--m", "5"});
    EXPECT_EQ(r.status, kExitStopped);
    EXPECT_EQ(r.out, "The multipliers must have odd differences\n");

    r = cli({"magnifier", "--k", "0", "--l", "1", "--m", "2"});
    EXPECT_EQ(r.status, kExitError);
    EXPECT_EQ(r.out, "Ideal Tesla magnifier:\nEnergy transfer from C1 to C3\n");
    EXPECT_EQ(r.err, "Floating point division by zero.\n");

    r = cli({"magnifier", "--k", "46340", "--l", "46341", "--m", "46342"});
    EXPECT_EQ(r.status, kExitError);
    EXPECT_EQ(r.err, "Integer overflow.\n");
    EXPECT_FALSE(fs::exists("zelvar.val"));
}

TEST_F(Cli, DesignInUnwritableDirectoryKeepsTheReportLines) {
    const fs::path gone = dir_ / "gone";
    fs::create_directory(gone);
    fs::current_path(gone);
    fs::remove(gone);
    const Result r = cli({"design"});
    fs::current_path(dir_);
    EXPECT_EQ(r.status, kExitError);
    EXPECT_EQ(r.err, "File not found.\n");
    const auto lines = split_lines(r.out);
    ASSERT_EQ(lines.size(), 38u);
    EXPECT_EQ(lines.back(), "Energy transfer time:    7.042354870 us");
}

TEST_F(Cli, AReportThatCannotBeWrittenIsAnError) {
    // A stream without a buffer fails every write, as standard output does
    // on a full disk.
    for (const std::vector<std::string>& args : {std::vector<std::string>{"design"}, {"magnifier"},
                                                  {"design", "--excitation", "k"}}) {
        std::ostream out(nullptr);
        std::ostringstream err;
        EXPECT_EQ(run_cli(args, out, err), kExitError) << args.size();
        EXPECT_EQ(err.str(), "zelvar-cli: the report could not be written to standard output\n");
    }
    // The value file is still written: the design itself completed.
    EXPECT_EQ(read_file("zelvar.val"), kDefaultValueFile);
}

// Runs the built program in the current directory; returns its exit status.
int run_program(const std::string& arguments, std::string& out, std::string& err) {
    const std::string command = std::string("'") + ZELVAR_CLI_PATH + "' " + arguments + " 2>stderr.txt";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return -1;
    out.clear();
    char buffer[4096];
    for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
    const int status = pclose(pipe);
    err = read_file("stderr.txt");
    fs::remove("stderr.txt");
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(Cli, EndToEnd) {
    std::string out, err;
    EXPECT_EQ(run_program("design", out, err), 0);
    EXPECT_EQ(err, "");
    const auto lines = split_lines(out);
    ASSERT_EQ(lines.size(), 39u);
    EXPECT_EQ(lines[1], "Aj[1]=0.0520833333333 ( 5.0)");
    EXPECT_EQ(lines[28], "L[1]:    149.158861917 " + mu + "H ( 1.491588619E-0004 H)");
    EXPECT_EQ(lines[38], "Values saved in file zelvar.val");
    EXPECT_EQ(read_file("zelvar.val"), kDefaultValueFile);

    EXPECT_EQ(run_program("magnifier", out, err), 0);
    EXPECT_EQ(out, kMagnifierReport);

    EXPECT_EQ(run_program("design --excitation k", out, err), 1);
    EXPECT_EQ(run_program("design --C1 abc", out, err), 2);
    EXPECT_EQ(err, "abc is not a valid number.\n");
    EXPECT_EQ(run_program("design --nonsense", out, err), 64);
    if (fs::exists("/dev/full")) {
        EXPECT_EQ(run_program("magnifier >/dev/full", out, err), 2);
        EXPECT_EQ(err, "zelvar-cli: the report could not be written to standard output\n");
    }
    EXPECT_EQ(read_file("zelvar.val"), kDefaultValueFile);
}

}  // namespace
