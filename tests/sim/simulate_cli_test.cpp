// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/simulate_cli.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/dispatch_cli.h"
#include "app/faults.h"
#include "sim/param_table.h"
#include "sim/sample_csv.h"
#include "report/format.h"
#include "sim/sim_run.h"
#include "sim/value_file_input.h"

namespace zelvar {
namespace {

namespace fs = std::filesystem;

struct Result {
    int status;
    std::string out, err;
};

Result simulate(std::vector<std::string> args) {
    std::ostringstream out, err;
    args.insert(args.begin(), "simulate");
    const int status = run_cli(args, out, err);
    return {status, out.str(), err.str()};
}

class SimulateCli : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("zelvar_sim_cli_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string path(const std::string& name) const { return (dir_ / name).string(); }
    std::string write(const std::string& name, const std::string& text) const {
        std::ofstream(path(name), std::ios::binary) << text;
        return path(name);
    }
    // The run of a value file's circuit with the given changes, in the core.
    template <class Change>
    SimResult core_run(const std::string& file, Change change, LineCollector& log) const {
        SimParams p;
        read_value_file(file, p);
        change(p);
        SimResult result;
        run_simulation(p, log, result, true);
        return result;
    }
    // The default design's value file, as the design writes it.
    std::string design_file() const {
        return write("zelvar.val",
                     "C1  5.00000000000000E-0009\r\nL1  1.49158861917303E-0004\r\n"
                     "C2  4.11080586080586E-0011\r\nL2  6.54545454545455E-0003\r\n"
                     "C3  1.00000000000000E-0011\r\nL3  3.00000000000000E-0002\r\n"
                     "k12  2.99936354214884E-0001\r\nfin  3.19495401967657E+0005\r\n");
    }
    fs::path dir_;
};

TEST_F(SimulateCli, HelpListsEveryOptionWithItsDefault) {
    const Result r = simulate({"--help"});
    EXPECT_EQ(r.status, kExitCompleted);
    for (const char* line : {"--C1 F", "--L1 H", "--R1 ohm", "--C2 F", "--L2 H", "--R2 ohm", "--C3 F", "--L3 H",
                             "--R3 ohm", "--CL F", "[1E-14]", "--RL ohm", "[220000]", "--k12 K", "--vin V", "[200]",
                             "--fin Hz", "[300000]", "--tmax s", "[1.5E-5]", "--stop s", "[10]",
                             "--stop-mode open|short|diodes", "[diodes]", "--Ropen ohm", "[10000]", "--square",
                             "--feedback-after T", "[off (T = 1E-6)]", "--VC10 V", "--points N", "[600]",
                             "--steps S", "--vmax V", "[200000]", "--use-vmax", "--maxima", "--values FILE",
                             "--csv FILE", "--help"})
        EXPECT_NE(r.out.find(line), std::string::npos) << line;
}

// Each option of the parameter table is listed with the table's default.
TEST_F(SimulateCli, OptionsComeFromTheParameterTable) {
    const Result help = simulate({"--help"});
    for (const ParamSpec& p : kParamTable) {
        if (p.option == nullptr) continue;
        const std::string name = std::string("--") + p.option;
        const std::size_t at = help.out.find("\n  " + name + " ");
        ASSERT_NE(at, std::string::npos) << name;
        // Its line, and the next where the help is wrapped below the name.
        const std::string line = help.out.substr(at, help.out.find('\n', help.out.find('\n', at + 1) + 1) - at);
        EXPECT_NE(line.find(param_default_text(p) + (p.also_sets != nullptr ? ")]" : "]")), std::string::npos)
            << line;
    }
}

// A value-file line may hold 200 characters (here a value with blanks after
// it), not one more.
TEST_F(SimulateCli, ValueFileLinesOfUpTo200Characters) {
    const std::string first = "C1  5.00000000000000E-0009";
    const std::string rest = "L1 1.5E-4\nC2 4E-11\nL2 6.5E-3\nC3 1E-11\nL3 0.03\nk12 0.3\nfin 319495\n";
    struct Case {
        std::size_t length;
        const char* error;  // nullptr: read
    } const cases[] = {{199, nullptr}, {200, nullptr}, {201, "longer than 200 characters"}};
    for (const Case& c : cases) {
        const std::string f = write("edge.val", first + std::string(c.length - first.size(), ' ') + "\n" + rest);
        SimParams p;
        try {
            read_value_file(f, p);
            EXPECT_EQ(c.error, nullptr) << c.length;
            EXPECT_EQ(p.C1, 5e-9L) << c.length;
        } catch (const Error& e) {
            EXPECT_EQ(e.what(), "Value file " + f + ", line 1: " + (c.error ? c.error : "")) << c.length;
        }
    }
}

TEST_F(SimulateCli, UsageErrors) {
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"--bogus"}, {"--C1"}, {"stray"}, {"--stop-mode", "closed"}, {"--maxima=yes"}}) {
        const Result r = simulate(args);
        EXPECT_EQ(r.status, kExitUsage) << args[0];
        EXPECT_NE(r.err.find("zelvar-cli simulate --help"), std::string::npos);
        EXPECT_TRUE(r.out.empty());
    }
}

TEST_F(SimulateCli, RefusedNumbersAndValueFiles) {
    Result r = simulate({"--C1", "5e-9x"});
    EXPECT_EQ(r.status, kExitError);
    EXPECT_EQ(r.err, "5e-9x is not a valid number.\n");
    r = simulate({"--points", "1.5"});
    EXPECT_EQ(r.err, "1.5 is not a valid number.\n");

    r = simulate({"--values", path("missing.val")});
    EXPECT_EQ(r.status, kExitError);
    EXPECT_EQ(r.err, "Value file " + path("missing.val") + " cannot be read: No such file or directory.\n");

    std::string f = write("bad.val", "C1  5E-9\r\nL1  1.5E-4x\r\n");
    r = simulate({"--values", f});
    EXPECT_EQ(r.err, "Value file " + f + ", line 2: 1.5E-4x is not a valid number.\n");
    f = write("bad.val", "C1  5E-9\n\nQ7  1\n");
    r = simulate({"--values", f});
    EXPECT_EQ(r.err, "Value file " + f + ", line 3: unknown key Q7; the keys are C1, L1, C2, L2, C3, L3, k12 and fin.\n");
    f = write("bad.val", "C1\n");
    r = simulate({"--values", f});
    EXPECT_EQ(r.err, "Value file " + f + ", line 1: no number after C1.\n");
    f = write("bad.val", "C1 1\nC1 2\n");
    r = simulate({"--values", f});
    EXPECT_EQ(r.err, "Value file " + f + ", line 2: C1 given twice.\n");
    f = write("bad.val", "C1 1\nL1 2\nC2 3\nL2 4\nC3 5\nL3 6\nk12 0.1\n");
    r = simulate({"--values", f});
    EXPECT_EQ(r.err, "Value file " + f + ": no line for fin.\n");
    EXPECT_TRUE(r.out.empty());

    // Not a value file (a device such as /dev/zero, binary data): refused
    // early, and its bytes are not copied into the message.
    f = write("bad.val", std::string(300, '0'));
    r = simulate({"--values", f});
    EXPECT_EQ(r.err, "Value file " + f + ", line 1: longer than 200 characters.\n");
    f = write("bad.val", std::string(1001, '\n'));
    r = simulate({"--values", f});
    EXPECT_EQ(r.err, "Value file " + f + ": more than 1000 lines.\n");
    f = write("bad.val", "C1 \x01\x02" + std::string(50, '9') + "\n\x1b[2J 1\n");
    r = simulate({"--values", f});
    EXPECT_EQ(r.err, "Value file " + f + ", line 1: ??" + std::string(38, '9') + "... is not a valid number.\n");
    f = write("bad.val", "C1 5E-9\n\x1b[2J 1\n");
    r = simulate({"--values", f});
    EXPECT_EQ(r.err, "Value file " + f + ", line 2: unknown key ?[2J; the keys are C1, L1, C2, L2, C3, L3, k12 and fin.\n");
}

TEST_F(SimulateCli, ValueFileRunWithMaxima) {
    const std::string f = design_file();
    Result r = simulate({"--values", f, "--maxima"});
    EXPECT_EQ(r.status, kExitCompleted) << r.err;
    EXPECT_EQ(r.out.rfind("Maximum values:\n", 0), 0u);
    EXPECT_NE(r.out.find("Energy in C3:  2.11159870E-0004 (99.9998 %)\n"), std::string::npos) << r.out;
    // The command's lines are the run's; it stored 600 samples from VC1(0) = 0.
    LineCollector log;
    const SimResult run = core_run(f, [](SimParams& p) { p.find_maxima = true; }, log);
    std::string lines;
    for (const std::string& l : log.lines) lines += latin1_to_utf8(l) + "\n";
    EXPECT_EQ(r.out, lines + "Run completed: 600 points.\n");
    EXPECT_EQ(run.samples.count(), 600);
    EXPECT_EQ(run.samples.values[0][1], 0);

    // Element options beside the file override its values.
    r = simulate({"--k12", "0", "--values", f, "--maxima"});
    EXPECT_EQ(r.status, kExitCompleted);
    EXPECT_NE(r.out.find("Energy in C3:  0.00000000E+0000 ( 0.0000 %)\n"), std::string::npos) << r.out;
}

TEST_F(SimulateCli, StopsAndFaults) {
    const std::string f = design_file();
    Result r = simulate({"--values", f, "--points", "10"});
    EXPECT_EQ(r.status, kExitStopped);
    EXPECT_EQ(r.out, "Too few points (increase points or internal steps or decrease max time).\n");
    r = simulate({"--values", f, "--points", "50001", "--tmax", "1E-3"});
    EXPECT_EQ(r.status, kExitStopped);
    EXPECT_EQ(r.out, "Too many points.\n");
    r = simulate({"--values", f, "--C1", "0"});
    EXPECT_EQ(r.status, kExitError);
    EXPECT_EQ(r.err, "Floating point division by zero.\n");
}

TEST_F(SimulateCli, CsvReadsBackToTheSameValues) {
    const std::string f = design_file();
    const std::string csv = path("run.csv");
    Result r = simulate({"--values", f, "--points", "50", "--tmax", "2E-6", "--square", "--VC10", "-3",
                         "--csv", csv});
    ASSERT_EQ(r.status, kExitCompleted) << r.err;
    LineCollector log;
    const SimResult run = core_run(f, [](SimParams& p) {
        p.points = 50;
        p.tmax = 2e-6L;
        p.square = true;
        p.VC10 = -3;
    }, log);
    const SampleStore& s = run.samples;
    std::ifstream in(csv);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "t,vin,v1,v2,v3,vl,i1,i2,i3");
    int rows = 0;
    while (std::getline(in, line)) {
        ++rows;
        std::istringstream fields(line);
        std::string field;
        for (int v = -1; v < 8; ++v) {
            ASSERT_TRUE(std::getline(fields, field, ',')) << line;
            const long double read = std::strtold(field.c_str(), nullptr);
            const long double stored = v < 0 ? s.time[rows - 1] : s.values[rows - 1][v];
            EXPECT_EQ(read, stored) << rows << " " << v << " " << field;
        }
    }
    EXPECT_EQ(rows, 50);
    EXPECT_EQ(csv_real(-3), "-3.00000000000000000000e+00");
    EXPECT_EQ(csv_real(1.5e-5L), "1.50000000000000000003e-05");  // the 80-bit value nearest 1.5E-5
}

// The CSV file is written whole or not at all: a folder that does not exist
// is an error naming the file, and nothing is left beside an old file.
TEST_F(SimulateCli, CsvIsWrittenAtomically) {
    const std::string f = design_file();
    const std::string missing = path("missing/run.csv");
    Result r = simulate({"--values", f, "--csv", missing});
    EXPECT_EQ(r.status, kExitError);
    EXPECT_EQ(r.err, "CSV file " + missing + " cannot be written: No such file or directory.\n");
    const std::string csv = write("run.csv", "old");
    r = simulate({"--values", f, "--points", "50", "--tmax", "2E-6", "--csv", csv});
    ASSERT_EQ(r.status, kExitCompleted) << r.err;
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator{}), 2);  // zelvar.val, run.csv
    std::ifstream in(csv);
    std::string header;
    std::getline(in, header);
    EXPECT_EQ(header, "t,vin,v1,v2,v3,vl,i1,i2,i3");
}

// An output that cannot be written is an error, not a success.
TEST_F(SimulateCli, UnwritableOutputExitsTwo) {
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    const std::string f = design_file();
    for (const char* options : {"", " --maxima"}) {
        const std::string cmd = std::string(ZELVAR_CLI_PATH) + " simulate --values '" + f + "'" + options +
                                " 2>&1 >/dev/full";
        FILE* pipe = ::popen(cmd.c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        std::string err;
        char buf[4096];
        while (std::size_t n = std::fread(buf, 1, sizeof buf, pipe)) err.append(buf, n);
        const int status = ::pclose(pipe);
        EXPECT_EQ(WEXITSTATUS(status), kExitError) << options;
        EXPECT_EQ(err, "zelvar-cli: the report could not be written to standard output\n") << options;
    }
}

TEST_F(SimulateCli, ProgramExitStatusAndOutput) {
    const std::string f = design_file();
    const std::string cmd = std::string(ZELVAR_CLI_PATH) + " simulate --values '" + f +
                            "' --maxima --R1 0 --R2 0 --R3 0 2>&1";
    FILE* pipe = ::popen(cmd.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string out;
    char buf[4096];
    while (std::size_t n = std::fread(buf, 1, sizeof buf, pipe)) out.append(buf, n);
    const int status = ::pclose(pipe);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_NE(out.find("Energy in C3:  2.11159870E-0004 (99.9998 %)\n"), std::string::npos) << out;
}

}  // namespace
}  // namespace zelvar
