// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/project_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>

#include "app/dispatch_cli.h"
#include "app/faults.h"
#include "scratch_dir.h"
#include "sim/sim_run.h"
#include "sim/value_file_input.h"

namespace zelvar {
namespace {

bool same_bits(long double a, long double b) { return std::memcmp(&a, &b, 10) == 0; }

// A value of key number i unlike any default: reals with every mantissa bit
// in use (tolerances stay below 100), integers, the other flag, the last word.
InputValue unusual(const InputKey& k, int i) {
    switch (k.kind) {
        case InputKind::real: {
            long double x = (i + 1) / 7.0L;
            if (k.in_range == nullptr) x *= (i % 2 == 0 ? -1e-9L : 3e11L);
            return InputValue::of_real(x);
        }
        case InputKind::integer:
            return InputValue::of_integer(1000 + 17 * i);
        case InputKind::flag:
            return InputValue::of_flag(i % 2 == 0);
        case InputKind::choice:
            return InputValue::of_choice(static_cast<int>(k.words.size()) - 1);
    }
    return {};
}

TEST(ProjectFile, EveryKeyOfEverySectionReadsBackBitForBit) {
    Project written;
    int i = 0;
    for (const ProjectSection& s : project_sections())
        for (const InputKey& k : s.keys) written.set(s.name, k.key, unusual(k, i++));
    ASSERT_GT(i, 60);
    const Project read = parse_project(project_text(written), "p.zelvar");
    i = 0;
    for (const ProjectSection& s : project_sections())
        for (const InputKey& k : s.keys) {
            SCOPED_TRACE(s.name + "." + k.key);
            const InputValue want = unusual(k, i++);
            const InputValue* got = read.get(s.name, k.key);
            ASSERT_NE(got, nullptr);
            EXPECT_EQ(got->kind, want.kind);
            EXPECT_TRUE(same_bits(got->real, want.real));
            EXPECT_EQ(got->integer, want.integer);
            EXPECT_EQ(got->flag, want.flag);
            EXPECT_EQ(got->choice, want.choice);
        }
}

TEST(ProjectFile, TheComputationsInputsGoThroughTheirSections) {
    DesignInputs d;
    d.C1 = 7.123456789012345678e-9L;
    d.excitation = 1;
    d.leave_c2 = true;
    SimParams sim;
    sim.R1 = 0.123456789012345678901L;
    sim.tstop = 3.3e-5L;
    sim.stop_mode = 2;
    sim.points = 1234;
    ToleranceSettings tol;
    tol.tol[kTolFin] = 0.5L;
    tol.dist = Distribution::gauss;
    tol.seed = 77;
    Project p;
    put_design_inputs(p, d);
    put_sim_params(p, sim);
    put_tolerance(p, tol);
    const Project q = parse_project(project_text(p), "p.zelvar");
    DesignInputs d2;
    SimParams sim2;
    ToleranceSettings tol2;
    take_design_inputs(q, d2);
    take_sim_params(q, sim2);
    take_tolerance(q, tol2);
    EXPECT_TRUE(same_bits(d2.C1, d.C1));
    EXPECT_EQ(d2.excitation, 1);
    EXPECT_TRUE(d2.leave_c2);
    EXPECT_TRUE(same_bits(sim2.R1, sim.R1));
    EXPECT_TRUE(same_bits(sim2.tstop, sim.tstop));
    EXPECT_EQ(sim2.stop_mode, 2);
    EXPECT_EQ(sim2.points, 1234);
    EXPECT_TRUE(same_bits(tol2.tol[kTolFin], 0.5L));
    EXPECT_EQ(tol2.dist, Distribution::gauss);
    EXPECT_EQ(tol2.seed, 77u);
}

std::string refusal(const std::string& text) {
    try {
        parse_project(text, "coil.zelvar");
    } catch (const Error& e) {
        return e.what();
    }
    return "(accepted)";
}

TEST(ProjectFile, ADamagedFileIsRefusedNamingTheFileAndTheKey) {
    const std::string head = R"({"format": "ZELVAR Designer project", "version": 1, )";
    const struct {
        std::string text, message;
    } cases[] = {
        {head + R"("simulation": {"R1": 1.5,})", "Project file coil.zelvar is not JSON: line 1, column 78: "
                                                 "a member's name in quotes expected"},
        {head + R"("simulation": {"R1": "1.5"}})",
         "Project file coil.zelvar, key simulation.R1: a text where a number belongs"},
        {head + R"("simulation": {"points": 6.5}})",
         "Project file coil.zelvar, key simulation.points: 6.5 is not an integer"},
        {head + R"("simulation": {"points": 3000000000}})",
         "Project file coil.zelvar, key simulation.points: 3000000000 is outside the range of an integer "
         "field (-2147483648 to 2147483647)"},
        {head + R"("simulation": {"C1": 1e99999}})",
         "Project file coil.zelvar, key simulation.C1: 1e99999 is not a number the field accepts (beyond the "
         "range of an 80-bit real)"},
        {head + R"("simulation": {"square": 1}})",
         "Project file coil.zelvar, key simulation.square: a number where true or false belongs"},
        {head + R"("simulation": {"stop_mode": "closed"}})",
         "Project file coil.zelvar, key simulation.stop_mode: \"closed\" is not one of the choices \"open\", "
         "\"short\" or \"diodes\""},
        {head + R"("tolerance": {"tol_C1": 100}})",
         "Project file coil.zelvar, key tolerance.tol_C1: 100 is out of the field's range (from 0 to below 100)"},
        {head + R"("tolerance": {"runs": 0}})",
         "Project file coil.zelvar, key tolerance.runs: 0 is out of the field's range (from 1 to 1000000)"},
        {head + R"("design": {"k": 3, "k": 5}})", "Project file coil.zelvar, key design.k: given twice"},
        {head + R"("design": [1]})", "Project file coil.zelvar, key design: a list where an object belongs"},
        {R"({"format": "ZELVAR Designer project", "version": 2})",
         "Project file coil.zelvar has format version 2; this program reads up to version 1 (a newer ZELVAR "
         "Designer wrote it)"},
        {R"({"version": 1})", "Project file coil.zelvar, key format: not a ZELVAR Designer project file"},
    };
    for (const auto& c : cases) EXPECT_EQ(refusal(c.text), c.message) << c.text;
    // Unknown sections and keys are left alone.
    const Project p = parse_project(head + R"("later": {"x": [1, {"y": null}]}, "design": {"k": 3, "new": "z"}})",
                                    "coil.zelvar");
    ASSERT_NE(p.get("design", "k"), nullptr);
    EXPECT_EQ(p.get("design", "k")->real, 3);
    EXPECT_EQ(p.get("design", "new"), nullptr);
}

std::vector<std::string> cli(std::vector<std::string> args, int expected = kExitCompleted) {
    std::ostringstream out, err;
    EXPECT_EQ(run_cli(args, out, err), expected) << err.str();
    std::vector<std::string> lines;
    std::istringstream in(out.str());
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

TEST(ProjectCli, SaveProjectWritesTheInputsAndProjectRunsThemWithOptionsOverriding) {
    testdata::ScratchDir dir("zelvar-project-cli");
    cli({"design"});
    const std::vector<std::string> first = cli(
        {"simulate", "--values", "zelvar.val", "--R1", "2.5", "--tmax", "5E-5", "--maxima", "--save-project", "a.zelvar"});
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(first[0], "Project saved in file a.zelvar");
    const std::vector<std::string> again = cli({"simulate", "--project", "a.zelvar"});
    EXPECT_EQ(again, std::vector<std::string>(first.begin() + 1, first.end()));
    // An option on the line overrides the project; the rest stays.
    SimParams p;
    read_value_file("zelvar.val", p);
    p.R1 = 2.5L;
    p.tmax = 5e-5L;
    p.find_maxima = true;
    p.R2 = 40;
    LineCollector log;
    SimResult result;
    ASSERT_TRUE(run_simulation(p, log, result, false));
    const std::vector<std::string> changed = cli({"simulate", "--project", "a.zelvar", "--R2", "40"});
    ASSERT_EQ(changed.size(), log.lines.size() + 1);
    for (std::size_t i = 0; i < log.lines.size(); ++i) EXPECT_EQ(changed[i], log.lines[i]);
    // Every command takes both options.
    for (const char* command : {"design", "magnifier", "netlist", "tolerance", "modes", "response", "windings", "fit"}) {
        const std::vector<std::string> help = cli({command, "--help"});
        std::string all;
        for (const std::string& l : help) all += l + "\n";
        EXPECT_NE(all.find("--project FILE"), std::string::npos) << command;
        EXPECT_NE(all.find("--save-project FILE"), std::string::npos) << command;
    }
    // A damaged project: the run does not start.
    std::ofstream("bad.zelvar") << R"({"format": "ZELVAR Designer project", "version": 1, "design": {"k": true}})";
    std::ostringstream out, err;
    EXPECT_EQ(run_cli({"design", "--project", "bad.zelvar"}, out, err), kExitError);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(err.str(), "Project file bad.zelvar, key design.k: true or false where a number belongs.\n");
}

}  // namespace
}  // namespace zelvar
