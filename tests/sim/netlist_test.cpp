#include "sim/netlist.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <complex>
#include <cstring>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <numbers>
#include <sstream>

#include "../app/scratch_dir.h"
#include "app/dispatch_cli.h"
#include "app/faults.h"
#include "sim/freq_response.h"
#include "sim/sim_run.h"
#include "sim_test_support.h"

namespace zelvar {
namespace {

using test::Sample;

SimParams lossy() {
    SimParams p = test::default_design();
    p.R1 = 1;
    p.R2 = 20;
    p.R3 = 20;
    return p;
}

// The element lines of a deck: name -> its fields after the name.
std::map<std::string, std::vector<std::string>> elements(const std::string& deck) {
    std::map<std::string, std::vector<std::string>> out;
    std::istringstream in(deck);
    std::string line;
    std::getline(in, line);  // the title
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '*' || line[0] == '.') continue;
        std::istringstream fields(line);
        std::string name, f;
        fields >> name;
        while (fields >> f) out[name].push_back(f);
    }
    return out;
}

long double number(const std::string& text) { return std::strtold(text.c_str(), nullptr); }

struct Element {
    const char* name;
    const char* a;
    const char* b;
    long double SimParams::*value;
};

// The circuit as the run's equations state it: nodes in the direction of i1, i2, i3.
TEST(Netlist, ElementsReadBackToTheRunsValuesAndNodes) {
    const Element lossless[] = {
        {"L1", "vin", "v1", &SimParams::L1}, {"C1", "v1", "0", &SimParams::C1}, {"C2", "v2", "0", &SimParams::C2},
        {"L2", "v2", "0", &SimParams::L2},   {"K12", "L1", "L2", &SimParams::k12},
        {"L3", "v3", "v2", &SimParams::L3},  {"C3", "v3", "0", &SimParams::C3}, {"RL", "v3", "vl", &SimParams::RL},
        {"CL", "vl", "0", &SimParams::CL},
    };
    const Element with_losses[] = {
        {"L1", "vin", "l1r1", &SimParams::L1}, {"R1", "l1r1", "v1", &SimParams::R1},
        {"C1", "v1", "0", &SimParams::C1},     {"C2", "v2", "0", &SimParams::C2},
        {"R2", "v2", "r2l2", &SimParams::R2},  {"L2", "r2l2", "0", &SimParams::L2},
        {"K12", "L1", "L2", &SimParams::k12},  {"L3", "v3", "l3r3", &SimParams::L3},
        {"R3", "l3r3", "v2", &SimParams::R3},  {"C3", "v3", "0", &SimParams::C3},
        {"RL", "v3", "vl", &SimParams::RL},    {"CL", "vl", "0", &SimParams::CL},
    };
    SimParams charged = lossy();
    charged.VC10 = -123.456L;
    const struct {
        SimParams p;
        const Element* begin;
        const Element* end;
    } cases[] = {{test::default_design(), std::begin(lossless), std::end(lossless)},
                 {charged, std::begin(with_losses), std::end(with_losses)}};
    for (const auto& c : cases) {
        const Netlist n = make_netlist(c.p);
        ASSERT_EQ(n.stop_line, "");
        const auto e = elements(n.deck);
        // The twelve circuit elements and the source, nothing else.
        EXPECT_EQ(e.size(), static_cast<std::size_t>(c.end - c.begin) + 1) << n.deck;
        for (const Element* x = c.begin; x != c.end; ++x) {
            SCOPED_TRACE(x->name);
            ASSERT_EQ(e.count(x->name), 1u);
            const auto& f = e.at(x->name);
            ASSERT_GE(f.size(), 3u);
            EXPECT_EQ(f[0], x->a);
            EXPECT_EQ(f[1], x->b);
            EXPECT_EQ(number(f[2]), c.p.*x->value);  // exactly the 80-bit value
        }
        ASSERT_EQ(e.at("C1").size(), 4u);
        EXPECT_EQ(e.at("C1")[3].substr(0, 3), "IC=");
        EXPECT_EQ(number(e.at("C1")[3].substr(3)), c.p.VC10);
        EXPECT_NE(n.deck.find("\nVsrc vin 0 SIN(0 200 " + spice_number(c.p.fin) + ")\n"), std::string::npos);
        const long double h = c.p.tmax / 5990;
        EXPECT_NE(n.deck.find("\n.options method=trap\n.tran " + spice_number(h * 10) + " 1.5e-05 0 " +
                              spice_number(h) + " uic\n"),
                  std::string::npos);
        EXPECT_EQ(n.deck.substr(n.deck.size() - 6), "\n.end\n");
        EXPECT_TRUE(n.warnings.empty());
    }
}

// Each way the driver runs and stops: its source lines and whether the deck
// follows the run exactly.
TEST(Netlist, DriverLinesAndWarnings) {
    const struct {
        const char* what;
        std::function<void(SimParams&)> set;
        std::vector<std::string> lines;
        std::size_t warnings;
    } cases[] = {
        {"square", [](SimParams& p) { p.square = true; p.fin = 250000; p.tmax = 1e-5L; p.points = 501; },
         {"Vsrc vin 0 PULSE(200 -200 1.999e-06 2e-09 2e-09 1.9980000000000000002e-06 4e-06)"}, 0},
        {"short", [](SimParams& p) { p.tstop = 7e-6L; p.stop_mode = kShortDriver; },
         {"Vwave wave 0 SIN(0 200 319495.40197)", "Bdrv vin 0 V = time < 7e-06 ? v(wave) : 0"}, 0},
        {"open", [](SimParams& p) { p.tstop = 7e-6L; p.stop_mode = kOpenDriver; },
         {"Bdrv vin 0 V = time < 7e-06 ? v(wave) : (-10000)*i(L1)"}, 1},
        {"diodes", [](SimParams& p) { p.tstop = 7e-6L; p.Vin = 50; },
         {"Bdrv vin 0 V = time < 7e-06 ? v(wave) : (50 < (-10000)*i(L1) ? 50 : ((-10000)*i(L1) < (-50) ? (-50) : "
          "(-10000)*i(L1)))"},
         1},
        {"feedback", [](SimParams& p) { p.feedback = true; },
         {"Bdrv vin 0 V = (time > 1e-06 ? (i(L1) > 0 ? 200 : (-200)) : v(wave))"}, 1},
        {"feedback after the stop", [](SimParams& p) { p.feedback = true; p.tstop = 1e-6L; p.stop_mode = 1; },
         {"Bdrv vin 0 V = time < 1e-06 ? v(wave) : 0"}, 0},
        {"stop after the run", [](SimParams& p) { p.tstop = 2e-5L; p.feedback = true; p.tstart = 2e-5L; },
         {"Vsrc vin 0 SIN(0 200 319495.40197)"}, 0},
        {"small signal", [](SimParams& p) { p.tstop = 0; p.points = 2; },  // the point check does not apply
         {"Vsrc vin 0 DC 0 AC 1"}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SimParams p = test::default_design();
        c.set(p);
        NetlistOptions o;
        o.ac_source = std::string(c.what) == "small signal";
        const Netlist n = make_netlist(p, o);
        for (const std::string& l : c.lines) EXPECT_NE(n.deck.find("\n" + l + "\n"), std::string::npos) << n.deck;
        EXPECT_EQ(n.warnings.size(), c.warnings);
        for (const std::string& w : n.warnings)
            EXPECT_NE(n.deck.find("* Not exact: " + w + "\n"), std::string::npos);
        EXPECT_EQ(n.deck.find(".tran") == std::string::npos, o.ac_source);
    }
}

TEST(Netlist, CallerGivenAnalysisAndTheRunsChecks) {
    NetlistOptions o;
    o.ac_source = true;
    o.analysis = ".ac dec 100 1e4 1e7\n.print ac vdb(v3)";
    std::string deck = make_netlist(test::default_design(), o).deck;
    EXPECT_NE(deck.find("CL vl 0 1e-14\n.ac dec 100 1e4 1e7\n.print ac vdb(v3)\n.end\n"), std::string::npos);
    o.analysis = "";
    o.end_line = false;
    deck = make_netlist(test::default_design(), o).deck;
    EXPECT_EQ(deck.substr(deck.size() - 15), "\nCL vl 0 1e-14\n");

    SimParams p = test::default_design();
    p.points = 10;
    EXPECT_EQ(make_netlist(p).stop_line, "Too few points (increase points or internal steps or decrease max time).");
    p.points = 50001;
    EXPECT_EQ(make_netlist(p).stop_line, "Too many points.");
    EXPECT_EQ(make_netlist(p).deck, "");
    p = test::default_design();
    p.k12 = 1;
    EXPECT_THROW(make_netlist(p), Error);
}

TEST(Netlist, CommandWritesTheDeckWarnsAndStops) {
    testdata::ScratchDir dir("zelvar-netlist");
    std::ofstream("zelvar.val") << "C1  5E-9\nL1  1.49158861917E-4\nC2  4.1108058608E-11\nL2  6.545454545E-3\n"
                                   "C3  1E-11\nL3  0.03\nk12  0.299936354\nfin  319495.40197\n";
    std::string out, err;
    const auto cli = [&](std::vector<std::string> args) {
        std::ostringstream o, e;
        args.insert(args.begin(), "netlist");
        const int status = run_cli(args, o, e);
        out = o.str();
        err = e.str();
        return status;
    };
    SimParams p = test::default_design();
    p.R2 = 20;
    p.tstop = 5e-6L;
    p.stop_mode = kOpenDriver;
    const Netlist n = make_netlist(p);
    EXPECT_EQ(cli({"--values", "zelvar.val", "--R2", "20", "--stop=5E-6", "--stop-mode", "open"}), 0);
    EXPECT_EQ(out, n.deck);
    EXPECT_EQ(err, "zelvar-cli netlist: warning: " + n.warnings.at(0) + "\n");
    EXPECT_EQ(cli({"--values", "zelvar.val", "--R2", "20", "--stop=5E-6", "--stop-mode", "open", "--out", "d.cir"}),
              0);
    EXPECT_EQ(out, "Deck saved in file d.cir\n");
    std::ifstream file("d.cir");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(file), {}), n.deck);

    EXPECT_EQ(cli({"--values", "zelvar.val", "--points", "10"}), kExitStopped);
    EXPECT_EQ(out + err, "Too few points (increase points or internal steps or decrease max time).\n");
    EXPECT_EQ(cli({"--values", "zelvar.val", "--out", "no/such/dir/d.cir"}), kExitError);
    EXPECT_EQ(err.rfind("Deck file no/such/dir/d.cir cannot be written: ", 0), 0u) << err;
    EXPECT_EQ(cli({"--values", "zelvar.val", "--k12", "1"}), kExitUsage);  // not a circuit
    EXPECT_EQ(err, "zelvar-cli netlist: The coupling k12 must be above -1 and below 1: a coupling of 1 or more is "
                   "not a circuit.\nRun 'zelvar-cli netlist --help' for the options.\n");
    EXPECT_EQ(cli({"--csv", "x.csv"}), kExitUsage);  // an output of simulate only
}

// ---- Agreement with ngspice ----

// The program's samples of the run of p.
std::vector<Sample> program_samples(const SimParams& p) {
    SimResult result;
    LineCollector log;
    EXPECT_TRUE(run_simulation(p, log, result, true));
    std::vector<Sample> out;
    for (std::int32_t i = 0; i < result.samples.count(); ++i) {
        Sample s;
        s[0] = result.samples.time[i];
        for (int v = 0; v < 8; ++v) s[v + 1] = result.samples.values[i][v];
        out.push_back(s);
    }
    return out;
}

// ngspice's binary raw file: the variables' names and one row of values per
// time point.
struct Raw {
    std::vector<std::string> names;
    std::vector<std::vector<double>> rows;
};

// A complex raw file (an .ac analysis) holds two values per variable, the
// real part then the imaginary part.
Raw read_raw(const std::string& path, bool complex = false) {
    std::ifstream in(path, std::ios::binary);
    Raw raw;
    std::string line;
    std::size_t points = 0;
    while (std::getline(in, line) && line != "Binary:") {
        if (line.rfind("No. Points:", 0) == 0) points = std::stoul(line.substr(11));
        std::istringstream fields(line);
        std::string index, name;
        if (line[0] == '\t' && fields >> index >> name) raw.names.push_back(name);
    }
    std::vector<double> row(raw.names.size() * (complex ? 2 : 1));
    for (std::size_t k = 0; k < points && in.read(reinterpret_cast<char*>(row.data()), row.size() * 8); ++k)
        raw.rows.push_back(row);
    return raw;
}

// The value of column c at time t: the cubic through the four time points around t.
long double at(const Raw& raw, std::ptrdiff_t c, long double t) {
    const auto& rows = raw.rows;
    std::size_t k = std::lower_bound(rows.begin(), rows.end(), t,
                                     [](const std::vector<double>& r, long double x) { return r[0] < x; }) -
                    rows.begin();
    k = std::min(k < 2 ? 0 : k - 2, rows.size() - 4);
    long double sum = 0;
    for (std::size_t j = k; j < k + 4; ++j) {
        long double term = rows[j][c];
        for (std::size_t m = k; m < k + 4; ++m)
            if (m != j) term *= (t - rows[m][0]) / (static_cast<long double>(rows[j][0]) - rows[m][0]);
        sum += term;
    }
    return sum;
}

bool have_ngspice() { return std::system("ngspice -v > /dev/null 2>&1") == 0; }

// The energy transfer time of the default design, as its report gives it.
constexpr long double kTransferTime = 7.042354870E-6L;

TEST(NetlistNgspice, WaveformsAgreeWithTheRun) {
    if (!have_ngspice()) GTEST_SKIP() << "ngspice is not installed";
    const struct {
        const char* what;
        std::function<void(SimParams&)> set;
        long double bound;  // of the largest difference, relative to the channel's peak
    } cases[] = {
        {"lossless sine", [](SimParams&) {}, 1e-6L},
        {"losses, square wave", [](SimParams& p) { p = lossy(); p.square = true; }, 4e-3L},
        {"open at the transfer time", [](SimParams& p) { p.tstop = kTransferTime; p.stop_mode = kOpenDriver; },
         4e-4L},
        {"short at the transfer time", [](SimParams& p) { p.tstop = kTransferTime; p.stop_mode = kShortDriver; },
         1.5e-3L},
        {"diodes at the transfer time", [](SimParams& p) { p.tstop = kTransferTime; }, 4e-4L},
        {"diodes clamping", [](SimParams& p) { p.tstop = 3.5e-6L; }, 2.5e-3L},
    };
    const char* channels[] = {"v(v1)", "v(v2)", "v(v3)", "v(vl)", "i(l1)", "i(l2)", "i(l3)"};
    testdata::ScratchDir dir("zelvar-ngspice");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SimParams p = test::default_design();
        c.set(p);
        std::ofstream("d.cir") << make_netlist(p).deck;
        std::remove("d.raw");
        ASSERT_EQ(std::system("ngspice -b -r d.raw d.cir > d.log 2>&1"), 0);
        const Raw raw = read_raw("d.raw");
        ASSERT_GT(raw.rows.size(), 4000u);
        const std::vector<Sample> run = program_samples(p);
        ASSERT_EQ(run.size(), 600u);
        long double worst = 0;
        for (int ch = 0; ch < 7; ++ch) {
            const auto col = std::find(raw.names.begin(), raw.names.end(), channels[ch]) - raw.names.begin();
            ASSERT_LT(col, std::ssize(raw.names)) << channels[ch];
            long double peak = 0, diff = 0;
            for (const Sample& s : run) {
                peak = std::max(peak, std::fabs(s[ch + 2]));
                diff = std::max(diff, std::fabs(at(raw, col, s[0]) - s[ch + 2]));
            }
            EXPECT_LE(diff, c.bound * peak) << channels[ch];
            worst = std::max(worst, diff / peak);
        }
        std::cout << "ngspice agreement, " << c.what << ": " << static_cast<double>(worst) << " of the peak\n";
    }
}

// ngspice's small-signal analysis of the deck against the program's own
// steady-state response, at ngspice's frequencies: |V3/Vin| and Zin, whose
// current is -i(vsrc).
TEST(NetlistNgspice, AcAnalysisAgreesWithTheFrequencyResponse) {
    if (!have_ngspice()) GTEST_SKIP() << "ngspice is not installed";
    testdata::ScratchDir dir("zelvar-ngspice-ac");
    for (const SimParams& p : {lossy(), test::default_design()}) {
        const ResponseRange range = default_range(natural_frequencies(circuit_poles(p)));
        NetlistOptions options;
        options.ac_source = true;
        options.analysis = ".ac dec 400 " + spice_number(range.from) + " " + spice_number(range.to);
        std::ofstream("ac.cir") << make_netlist(p, options).deck;
        std::remove("ac.raw");
        ASSERT_EQ(std::system("ngspice -b -r ac.raw ac.cir > ac.log 2>&1"), 0);
        const Raw raw = read_raw("ac.raw", true);
        const auto column = [&](const char* name) {
            const auto c = std::find(raw.names.begin(), raw.names.end(), name) - raw.names.begin();
            EXPECT_LT(c, std::ssize(raw.names)) << name;
            return 2 * c;
        };
        const std::ptrdiff_t v3 = column("v(v3)"), isrc = column("i(vsrc)");
        ASSERT_GT(raw.rows.size(), 300u);
        long double worst_db = 0, worst_z = 0, worst_deg = 0;
        for (const std::vector<double>& row : raw.rows) {
            const long double f = row[0];
            const ResponsePoint ours = response_at(p, f);
            const std::complex<long double> v(row[v3], row[v3 + 1]);
            const std::complex<long double> z = -1.0L / std::complex<long double>(row[isrc], row[isrc + 1]);
            worst_db = std::max(worst_db, std::fabs(20 * std::log10(std::abs(v)) - ours.v3_db));
            worst_z = std::max(worst_z, std::fabs(std::abs(z) - ours.zin_ohm) / ours.zin_ohm);
            long double deg = std::arg(z) * 180 / std::numbers::pi_v<long double> - ours.zin_deg;
            deg -= 360 * std::round(deg / 360);
            worst_deg = std::max(worst_deg, std::fabs(deg));
        }
        EXPECT_LT(worst_db, 1e-8L);
        EXPECT_LT(worst_z, 1e-9L);
        EXPECT_LT(worst_deg, 1e-7L);
        std::cout << "ngspice .ac agreement, R1 = " << static_cast<double>(p.R1) << ": " << static_cast<double>(worst_db)
                  << " dB, |Zin| " << static_cast<double>(worst_z) << " relative, " << static_cast<double>(worst_deg)
                  << " deg\n";
    }
}

}  // namespace
}  // namespace zelvar
