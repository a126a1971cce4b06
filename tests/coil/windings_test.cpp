// SPDX-License-Identifier: GPL-3.0-or-later
// The winding sheet: every target met, recomputed from the sheet's geometry
// with the physics functions; the refusals; the command line.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "app/dispatch_cli.h"
#include "app/faults.h"
#include "coil/coil_rings.h"
#include "coil/medhurst.h"
#include "coil/nagaoka.h"
#include "coil/terminal_capacitance.h"
#include "coil/windings.h"
#include "coil/windings_report.h"
#include "coil/wire_losses.h"
#include "sim/default_design_circuit.h"
#include "../app/scratch_dir.h"

using namespace zelvar;
using namespace zelvar::coil;

namespace {

WindingTargets default_targets() {
    const SimParams p = default_design_circuit();
    return {p.C1, p.L1, p.C2, p.L2, p.C3, p.L3, p.k12, p.fin};
}

void expect_relative(long double got, long double want, long double tol, const char* what) {
    EXPECT_LE(std::fabs(got / want - 1), tol) << what << ": " << static_cast<double>(got) << " vs "
                                              << static_cast<double>(want);
}

// The sheet's geometry gives back the design's values.
void expect_targets_met(const WindingSheet& s, const WindingTargets& t) {
    const WindingChoices& c = s.choices;
    expect_relative(solenoid_inductance(c.secondary.diameter, s.secondary.turns, c.secondary.pitch, c.secondary.wire),
                    t.L2, 1e-9L, "L2");
    expect_relative(solenoid_inductance(c.extra.diameter, s.extra.turns, c.extra.pitch, c.extra.wire), t.L3, 1e-9L,
                    "L3");
    const std::vector<Ring> primary = primary_rings(c.primary, s.primary.turns, s.primary.offset);
    const long double L1 = rings_self_inductance(primary, c.primary.conductor / 2);
    expect_relative(L1, t.L1, 1e-9L, "L1");
    const long double L2 = solenoid_inductance(c.secondary.diameter, s.secondary.turns, c.secondary.pitch, c.secondary.wire);
    const long double M = rings_mutual(primary, helix_rings(c.secondary.diameter, c.secondary.pitch, s.secondary.turns, 0));
    expect_relative(M / std::sqrt(L1 * L2), t.k12, 1e-9L, "k12");
    expect_relative(s.c2_external + solenoid_self_capacitance(c.secondary.diameter, s.secondary.turns * c.secondary.pitch),
                    t.C2, 1e-15L, "C2");
    const long double top = s.topload.kind == TopKind::sphere
                                ? sphere_capacitance(s.topload.outer_diameter)
                                : toroid_capacitance(s.topload.outer_diameter, s.topload.tube_diameter);
    expect_relative(top + solenoid_self_capacitance(c.extra.diameter, s.extra.turns * c.extra.pitch), t.C3, 1e-12L,
                    "C3");
    EXPECT_EQ(s.R1, s.primary.r_ac);
    expect_relative(s.R2, dc_resistance(c.secondary.wire, s.secondary.wire_length) *
                              skin_factor(c.secondary.wire, t.fin) *
                              proximity_factor(c.secondary.wire, c.secondary.pitch, t.fin),
                    1e-15L, "R2");
}

TEST(Windings, DefaultDesignEveryTargetMet) {
    const WindingSheet s = solve_windings(default_targets(), default_winding_choices());
    expect_targets_met(s, default_targets());
    EXPECT_LE(s.primary.offset, 0);
    EXPECT_GT(s.primary.turns, 1);
    // The secondary's wire: N·√((πD)² + p²).
    expect_relative(s.secondary.wire_length,
                    s.secondary.turns * std::hypot(kPi * s.secondary.diameter, s.secondary.pitch), 1e-15L, "wire");
}

TEST(Windings, OtherChoicesMeetTheirTargets) {
    WindingChoices helix = default_winding_choices();
    helix.primary.shape = PrimaryShape::helix;
    helix.primary.diameter = 0.34L;
    helix.top = {TopKind::sphere, 0};
    WindingChoices slim = default_winding_choices();
    slim.secondary = {0.2L, 0.0008L, 0.0009L};
    slim.primary = {PrimaryShape::helix, 0.24L, 0.004L, 0.008L};
    slim.top.ratio = 0.15L;
    for (const WindingChoices& c : {helix, slim}) expect_targets_met(solve_windings(default_targets(), c), default_targets());
}

// The coil analysis of the sheet's coils gives back L2 and L3.
TEST(Windings, AnalysisOfTheSheetsCoils) {
    const WindingTargets t = default_targets();
    const WindingSheet s = solve_windings(t, default_winding_choices());
    const CoilFigures sec = analyse_solenoid(s.choices.secondary, s.secondary.turns, t.fin);
    expect_relative(sec.inductance, t.L2, 1e-9L, "L2");
    EXPECT_EQ(sec.r_ac, s.R2);
    const CoilFigures extra = analyse_solenoid(s.choices.extra, s.extra.turns, t.fin);
    expect_relative(extra.inductance, t.L3, 1e-9L, "L3");
    expect_relative(self_resonance(extra), 1 / (2 * kPi * std::sqrt(extra.inductance * extra.self_capacitance)),
                    1e-18L, "resonance");
}

TEST(Windings, Refusals) {
    const struct {
        const char* message;
        void (*change)(WindingTargets&, WindingChoices&);
    } cases[] = {
        {"k12 = 0.62 cannot be reached with this primary: at most 0.353, with the primary level with the "
         "secondary's lowest turn",
         [](WindingTargets& t, WindingChoices&) { t.k12 = 0.62L; }},
        {"The secondary's own capacitance (69.4 pF) exceeds C2 (41.1 pF): choose a smaller winding diameter or a "
         "longer coil",
         [](WindingTargets&, WindingChoices& c) { c.secondary = {1.1L, 0.004L, 0.0044L}; c.primary.diameter = 1.2L; }},
        {"The extra coil's own capacitance (15.9 pF) exceeds C3 (10 pF): choose a smaller winding diameter or a "
         "longer coil",
         [](WindingTargets&, WindingChoices& c) { c.extra.diameter = 0.25L; }},
        {"The primary's inner diameter (300 mm) leaves no room for the secondary (300 mm): choose a larger primary",
         [](WindingTargets&, WindingChoices& c) { c.primary.diameter = 0.3L; }},
        {"The secondary's pitch (0.9 mm) is less than its wire diameter (1 mm)",
         [](WindingTargets&, WindingChoices& c) { c.secondary.pitch = 0.0009L; }},
        {"The primary's pitch (5 mm) is less than its conductor diameter (6 mm)",
         [](WindingTargets&, WindingChoices& c) { c.primary.pitch = 0.005L; }},
        {"k12 must lie between 0 and 1", [](WindingTargets& t, WindingChoices&) { t.k12 = 1; }},
        {"L2 must be a positive number", [](WindingTargets& t, WindingChoices&) { t.L2 = 0; }},
        {"The toroid's tube-to-outer diameter ratio must lie between 0 and 0.5, not 0.5",
         [](WindingTargets&, WindingChoices& c) { c.top.ratio = 0.5L; }},
        {"The secondary's length-to-diameter ratio (0.0126) is outside Medhurst's table of self-capacitance (0.1 to "
         "50): choose another winding diameter or pitch",
         [](WindingTargets&, WindingChoices& c) { c.secondary = {0.5L, 0.0001L, 0.0001L}; c.primary.diameter = 0.6L; }},
    };
    for (const auto& c : cases) {
        WindingTargets t = default_targets();
        WindingChoices w = default_winding_choices();
        c.change(t, w);
        try {
            solve_windings(t, w);
            ADD_FAILURE() << c.message;
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()), c.message);
        }
    }
}

TEST(Windings, Json) {
    EXPECT_EQ(json_real(0.1L), "0.100000000000000000001");
    const long double x = 6.54545454545455E-3L;
    EXPECT_EQ(std::strtold(json_real(x).c_str(), nullptr), x);
}

int cli(const std::vector<std::string>& args, std::string& out, std::string& err) {
    std::ostringstream o, e;
    const int status = run_cli(args, o, e);
    out = o.str();
    err = e.str();
    return status;
}

std::string file_text(const std::string& name) {
    std::ifstream in(name);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(WindingsCli, SheetAndJsonOfTheDesign) {
    testdata::ScratchDir dir("zelvar-windings");
    std::string out, err;
    ASSERT_EQ(cli({"design"}, out, err), kExitCompleted) << err;
    ASSERT_EQ(cli({"windings", "--values", "zelvar.val", "--json", "w.json"}, out, err), kExitCompleted) << err;
    EXPECT_NE(out.find("Coupling: k12 = 0.299936354"), std::string::npos) << out;
    EXPECT_NE(out.find("\nWinding sheet saved in file w.json\n"), std::string::npos) << out;
    const std::string json = file_text("w.json");
    for (const char* key : {"secondary", "extra", "primary", "turns", "diameter", "pitch", "wire", "length",
                            "inductance", "self_capacitance", "wire_length", "r_dc", "r_ac", "q", "shape", "offset",
                            "coupling", "k12", "mutual", "c2_external", "c3_topload", "topload", "kind",
                            "outer_diameter", "tube_diameter", "capacitance", "losses", "R1", "R2", "R3"})
        EXPECT_NE(json.find(std::string("\"") + key + "\": "), std::string::npos) << key;
    // The JSON's secondary run through `coil` gives back L2.
    const auto number_after = [&](const std::string& text, const std::string& object, const std::string& key) {
        const std::size_t at = text.find("\"" + key + "\": ", text.find("\"" + object + "\""));
        return text.substr(at + key.size() + 4, text.find_first_of(",\n", at) - at - key.size() - 4);
    };
    ASSERT_EQ(cli({"coil", "--diameter", number_after(json, "secondary", "diameter"), "--turns",
                   number_after(json, "secondary", "turns"), "--pitch", number_after(json, "secondary", "pitch"),
                   "--wire", number_after(json, "secondary", "wire"), "--json", "c.json"},
                  out, err),
              kExitCompleted)
        << err;
    EXPECT_NE(out.find("\nCoil figures saved in file c.json\n"), std::string::npos) << out;
    const long double L2 = std::strtold(number_after(file_text("c.json"), "turns", "inductance").c_str(), nullptr);
    EXPECT_LE(std::fabs(L2 / default_design_circuit().L2 - 1), 1e-9L);
    EXPECT_NE(file_text("c.json").find("\"resonance\": "), std::string::npos);
}

TEST(WindingsCli, ExitStatuses) {
    std::string out, err;
    EXPECT_EQ(cli({"windings", "--pri-shape", "cone"}, out, err), kExitUsage);
    EXPECT_EQ(cli({"coil", "--diameter", "0.1"}, out, err), kExitUsage);
    EXPECT_EQ(cli({"windings", "--L2", "12,5"}, out, err), kExitError);
    EXPECT_EQ(err, "12,5 is not a valid number.\n");
    const std::vector<std::string> elements = {
        "windings", "--C1", "5E-9", "--L1", "1.49158861917E-4", "--C2", "4.1108058608E-11", "--L2", "6.545454545E-3",
        "--C3", "1E-11", "--L3", "0.03", "--fin", "319495.40197", "--k12"};
    std::vector<std::string> args = elements;
    args.push_back("0.62");
    EXPECT_EQ(cli(args, out, err), kExitError);
    EXPECT_EQ(err.rfind("k12 = 0.62 cannot be reached with this primary: at most ", 0), 0u) << err;
    EXPECT_EQ(out, "");
    args.back() = "0.299936354";
    EXPECT_EQ(cli(args, out, err), kExitCompleted) << err;
    EXPECT_EQ(cli({"coil", "--diameter", "0.1", "--turns", "100", "--pitch", "0.0005", "--wire", "0.001"}, out, err),
              kExitError);
    EXPECT_EQ(err, "The coil's pitch (0.5 mm) is less than its wire diameter (1 mm)\n");
}

// The bash completion offers both commands and their choices.
TEST(WindingsCli, BashCompletion) {
    const struct {
        const char* words;
        const char* candidates;
    } cases[] = {{"co", "coil\n"}, {"windings --pri-shape ''", "helix\nspiral\n"}, {"windings --top s", "sphere\n"}};
    testdata::ScratchDir dir("zelvar-windings-completion");
    for (const auto& c : cases) {
        std::ofstream("complete.sh") << "source '" << ZELVAR_DIST_DIR << "/zelvar-cli.bash'\nCOMP_WORDS=('"
                                     << ZELVAR_CLI_PATH << "' " << c.words
                                     << ")\nCOMP_CWORD=$((${#COMP_WORDS[@]} - 1))\n_zelvar_cli\n"
                                        "printf '%s\\n' \"${COMPREPLY[@]}\" | sort\n";
        FILE* pipe = popen("bash complete.sh", "r");
        ASSERT_NE(pipe, nullptr);
        std::string out;
        for (int ch; (ch = std::fgetc(pipe)) != EOF;) out += static_cast<char>(ch);
        pclose(pipe);
        EXPECT_EQ(out, c.candidates) << c.words;
    }
}

}  // namespace
