// `zelvar-cli fit`: the design's value file and the frequencies of a network
// built off it; the report, the JSON keys, the value file it carries, and
// the exit statuses.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>

#include "../app/scratch_dir.h"
#include "app/dispatch_cli.h"
#include "fit/as_built.h"
#include "fit/network_modes.h"
#include "report/format.h"
#include "sim/value_file_input.h"

namespace zelvar {
namespace {

struct Result {
    int status;
    std::string out, err;
};

Result cli(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int status = run_cli(args, out, err);
    return {status, out.str(), err.str()};
}

std::string file_text(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// The number under `key` in the object that follows `object` in the JSON.
long double json_number(const std::string& json, const std::string& object, const std::string& key) {
    const std::size_t at = json.find("\"" + object + "\": {");
    EXPECT_NE(at, std::string::npos) << object;
    const std::size_t k = json.find("\"" + key + "\": ", at);
    EXPECT_NE(k, std::string::npos) << object << "." << key;
    return std::strtold(json.c_str() + k + key.size() + 4, nullptr);
}

// The number under a key of the top-level object.
long double json_value(const std::string& json, const std::string& key) {
    const std::size_t k = json.find("\"" + key + "\": ");
    EXPECT_NE(k, std::string::npos) << key;
    return std::strtold(json.c_str() + k + key.size() + 4, nullptr);
}

// The JSON string value of `key`, its escapes undone.
std::string json_string(const std::string& json, const std::string& key) {
    std::size_t at = json.find("\"" + key + "\": \"");
    EXPECT_NE(at, std::string::npos) << key;
    std::string out;
    for (at += key.size() + 5; at < json.size() && json[at] != '"'; ++at) {
        if (json[at] != '\\') {
            out += json[at];
            continue;
        }
        const char c = json[++at];
        out += c == 'r' ? '\r' : c == 'n' ? '\n' : c;
    }
    return out;
}

class FitCli : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(cli({"design"}).status, kExitCompleted);
        read_value_file("zelvar.val", design_);
        built_ = fit::elements_of(design_);
        built_.C2 *= 1.06L;  // deviations of their own, not the fit's defaults
        built_.C3 *= 0.97L;
        built_.k12 *= 0.96L;
    }
    // --f1 … --extra for the measurements of mask.
    std::vector<std::string> args(unsigned mask, const std::string& json) const {
        static const char* options[] = {"--f1",        "--f2",        "--f3",         "--open-low",
                                        "--open-high", "--short-low", "--short-high", "--extra"};
        std::vector<std::string> a = {"fit", "--values", "zelvar.val", "--json", json};
        const auto f = fit::network_frequencies(built_);
        for (int m = 0; m < fit::kMeasurements; ++m)
            if (mask & (1u << m)) a.insert(a.end(), {options[m], E(f[m], 30)});
        return a;
    }
    testdata::ScratchDir dir_{"zelvar-fit"};
    SimParams design_;
    ElementValues built_;
};

TEST_F(FitCli, ReturnsTheDeviationsAndARetuneThatSimulatesAtLeastAsWell) {
    const Result r = cli(args(0x7F, "fit.json"));
    ASSERT_EQ(r.status, kExitCompleted) << r.err;
    EXPECT_NE(r.out.find("\nMode f1:f2:f3: design 1 : "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\nFit saved in file fit.json\n"), std::string::npos);
    const std::string json = file_text("fit.json");
    EXPECT_NEAR(json_number(json, "fitted", "C2") / built_.C2, 1, 1e-9L);
    EXPECT_NEAR(json_number(json, "fitted", "C3") / built_.C3, 1, 1e-9L);
    EXPECT_NEAR(json_number(json, "fitted", "k12") / built_.k12, 1, 1e-9L);
    EXPECT_GT(json_number(json, "uncertainty", "C2"), 0);
    EXPECT_EQ(json_number(json, "uncertainty", "L2"), 0);
    EXPECT_LT(std::fabs(json_number(json, "residuals", "short_high")), 1e-12L);
    EXPECT_EQ(json.find("\"residuals\": {\"f1\""), json.find("\"residuals\": {"));
    EXPECT_EQ(json.find("\"solutions\""), std::string::npos);
    for (const char* key : {"L1", "C1", "k12", "fin", "efficiency"}) json_number(json, "retune", key);
    EXPECT_EQ(json.find("\"tap_turns\""), std::string::npos);

    // The as-built value file runs with `simulate`, and the retune runs
    // there at least as well as the as-built network (its efficiency).
    std::ofstream("built.val", std::ios::binary) << json_string(json, "value_file");
    SimParams built;
    read_value_file("built.val", built);
    EXPECT_NEAR(built.C2 / built_.C2, 1, 1e-9L);
    EXPECT_EQ(cli({"simulate", "--values", "built.val"}).status, kExitCompleted);
    EXPECT_GE(json_number(json, "retune", "efficiency"), json_value(json, "efficiency_as_built"));
    const Result retuned = cli({"simulate", "--values", "built.val", "--L1", E(json_number(json, "retune", "L1"), 30),
                                "--k12", E(json_number(json, "retune", "k12"), 30), "--fin",
                                E(json_number(json, "retune", "fin"), 30), "--stop",
                                E(json_number(json, "retune", "stop"), 30)});
    EXPECT_EQ(retuned.status, kExitCompleted) << retuned.err;
}

// With the design's windings: the tap and the offset of the primary.  The
// built coupling is 4 % below the design's, so the primary as built sits
// further below the secondary than the design's.
TEST_F(FitCli, WithWindingsGivesTheTapAndTheOffsetOfThePrimary) {
    std::vector<std::string> a = args(0x7F, "w.json");
    a.push_back("--windings");
    const Result r = cli(a);
    ASSERT_EQ(r.status, kExitCompleted) << r.err;
    std::smatch m;
    ASSERT_TRUE(std::regex_search(r.out, m,
                                  std::regex(R"(\nPrimary: design ([0-9.]+) turns at (-?[0-9.]+) mm; as built ([0-9.]+) )"
                                             R"(turns at (-?[0-9.]+) mm\nPrimary of the retune: ([0-9.]+) turns at )"
                                             R"((-?[0-9.]+) mm\n)")))
        << r.out;
    EXPECT_EQ(m[1], m[3]);  // L1 held: the same tap
    EXPECT_LT(std::stold(m[4]), std::stold(m[2]));
    const std::string json = file_text("w.json");
    EXPECT_NEAR(json_number(json, "retune", "tap_turns"), std::stold(m[5]), 1e-3L);
    EXPECT_NEAR(json_number(json, "retune", "offset") * 1000, std::stold(m[6]), 0.1L);
}

TEST_F(FitCli, TheWholeNetworkAloneListsBothSolutionsWithExitStatusOne) {
    const Result r = cli(args(0x07, "two.json"));
    EXPECT_EQ(r.status, kExitStopped) << r.err;
    EXPECT_NE(r.out.find("2 sets of values fit the measured frequencies equally well: measure the primary"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("\nSolution 2: C2 "), std::string::npos);
    const std::string json = file_text("two.json");
    EXPECT_NE(json.find("\"solutions\": [{\"fitted\": {"), std::string::npos);
    EXPECT_NE(json.find("\"tells_apart\": \"primary "), std::string::npos);
    EXPECT_EQ(json.find("\"retune\""), std::string::npos);
}

TEST_F(FitCli, RefusedFitsAndBadOptions) {
    const struct {
        std::vector<std::string> extra;
        int status;
        std::string err;
    } cases[] = {
        {{}, kExitError, "3 unknowns (C2,C3,k12) need at least 3 measured frequencies; 2 are given.\n"},
        {{"--unknowns", "C1,L1,k12", "--f3", "390000"}, kExitError,
         "The measured frequencies cannot tell C1 and L1 apart (they fix only a combination of them): measure "
         "another set-up, or hold one of them at its value.\n"},
        {{"--unknowns", "C2,Q"}, kExitUsage,
         "zelvar-cli fit: The unknown 'Q' is not one of C1, L1, C2, L2, C3, L3 and k12.\n"
         "Run 'zelvar-cli fit --help' for the options.\n"},
        {{"--uncertainty", "0"}, kExitError, "The uncertainty (%) must lie above 0 and below 100.\n"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> a = {"fit", "--values", "zelvar.val", "--f1", "177000", "--f2", "248000"};
        a.insert(a.end(), c.extra.begin(), c.extra.end());
        const Result r = cli(a);
        EXPECT_EQ(r.status, c.status) << c.err;
        EXPECT_EQ(r.err, c.err);
    }
}

}  // namespace
}  // namespace zelvar
