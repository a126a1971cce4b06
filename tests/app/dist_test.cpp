// What the installed package carries beside the programs, kept in step with
// zelvar-cli itself: the manual page's commands, option names and numeric
// defaults against each command's --help, the bash completion, --version.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/dispatch_cli.h"
#include "scratch_dir.h"

using namespace zelvar;

namespace {

std::string help_of(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    EXPECT_EQ(run_cli(args, out, err), kExitCompleted) << args.front();
    return out.str();
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// The commands listed under "commands:" in `zelvar-cli --help`.
std::set<std::string> commands_in_help() {
    std::set<std::string> commands;
    bool listing = false;
    for (const std::string& line : lines_of(help_of({"--help"}))) {
        if (line == "commands:") {
            listing = true;
        } else if (listing && line.rfind("  ", 0) == 0) {
            commands.insert(line.substr(2, line.find(' ', 2) - 2));
        } else {
            listing = false;
        }
    }
    return commands;
}

// A command's long options with the default its help shows ("" if none):
// an option line begins with two spaces and a dash; CLI11 shows the default
// as NAME=VALUE, the hand-made helps as [VALUE] at the end of the option's
// last line.
std::map<std::string, std::string> options_in_help(const std::string& command) {
    static const std::regex option_line(R"(^  (?:-\w,)?(--[A-Za-z0-9][A-Za-z0-9-]*)(?: ([^ ]+))?.*)");
    static const std::regex bracketed(R"(\[([^\]]*)\]\s*$)");
    std::map<std::string, std::string> options;
    std::string current;
    for (const std::string& line : lines_of(help_of({command, "--help"}))) {
        std::smatch m;
        if (std::regex_match(line, m, option_line)) {
            current = m[1];
            const std::string arg = m[2];
            options[current] = arg.find('=') == std::string::npos ? "" : arg.substr(arg.find('=') + 1);
        } else if (line.rfind("   ", 0) != 0) {
            current.clear();
            continue;
        }
        if (!current.empty() && std::regex_search(line, m, bracketed)) options[current] = m[1];
    }
    return options;
}

// The manual page: for each subsection of COMMANDS, its options (the long
// names on the line after each .TP) with the text of their paragraph, roff
// escapes for the minus undone and the macro names dropped.
std::map<std::string, std::map<std::string, std::string>> manual_commands() {
    std::ifstream in(std::string(ZELVAR_DIST_DIR) + "/zelvar-cli.1");
    EXPECT_TRUE(in) << "zelvar-cli.1 not found";
    std::map<std::string, std::map<std::string, std::string>> commands;
    std::string section, command;
    std::vector<std::string> names;
    bool after_tp = false;
    static const std::regex long_name(R"(--[A-Za-z0-9][A-Za-z0-9-]*)");
    for (std::string line; std::getline(in, line);) {
        line = std::regex_replace(line, std::regex(R"(\\-)"), "-");
        if (line.rfind(".SH ", 0) == 0) {
            section = line.substr(4);
            names.clear();
            continue;
        }
        if (section != "COMMANDS") continue;
        if (line.rfind(".SS ", 0) == 0) {
            command = line.substr(4);
            commands[command];
            names.clear();
        } else if (line == ".TP") {
            after_tp = true;
            names.clear();
        } else if (after_tp) {
            after_tp = false;
            for (std::sregex_iterator i(line.begin(), line.end(), long_name), end; i != end; ++i)
                names.push_back(i->str()), commands[command][i->str()];
        } else {
            const std::string text = std::regex_replace(line, std::regex(R"(^\.[A-Z]+ ?)"), "");
            for (const std::string& name : names) commands[command][name] += text + " ";
        }
    }
    return commands;
}

bool is_number(const std::string& s) {
    return std::regex_match(s, std::regex(R"([-+]?[0-9]*\.?[0-9]+(?:[Ee][-+]?[0-9]+)?)"));
}

}  // namespace

TEST(ManualPage, DocumentsEveryCommandOptionAndNumericDefaultOfTheHelp) {
    const auto manual = manual_commands();
    std::set<std::string> manual_command_names;
    for (const auto& [name, options] : manual) manual_command_names.insert(name);
    const std::set<std::string> commands = commands_in_help();
    ASSERT_GE(commands.size(), 3u);
    EXPECT_EQ(manual_command_names, commands);

    for (const std::string& command : commands) {
        const auto help = options_in_help(command);
        const auto& page = manual.count(command) ? manual.at(command) : std::map<std::string, std::string>{};
        std::set<std::string> in_help, in_page;
        for (const auto& [name, fallback] : help) in_help.insert(name);
        for (const auto& [name, text] : page) in_page.insert(name);
        EXPECT_EQ(in_page, in_help) << "options of " << command;
        for (const auto& [name, fallback] : help) {
            if (!is_number(fallback) || !page.count(name)) continue;
            const std::string& text = page.at(name);
            const std::string said = "Default: " + fallback;
            const auto at = text.find(said);
            const bool found = at != std::string::npos &&
                               std::string(". (").find(text[at + said.size()]) != std::string::npos;
            EXPECT_TRUE(found) << command << " " << name << ": the help's default " << fallback
                               << ", the page says: " << text;
        }
    }
}

TEST(ManualPage, VersionIsTheProjectVersion) {
    std::ostringstream out, err;
    EXPECT_EQ(run_cli({"--version"}, out, err), kExitCompleted);
    EXPECT_EQ(out.str(), std::string("zelvar-cli ") + ZELVAR_VERSION + "\n");
    EXPECT_EQ(err.str(), "");
}

// The completion script sourced in bash, completing the given words (the
// last one the word under the cursor); the candidates, sorted, one string.
std::string complete(const std::vector<std::string>& words) {
    std::string script = "source '" + std::string(ZELVAR_DIST_DIR) + "/zelvar-cli.bash'\nCOMP_WORDS=('" +
                         ZELVAR_CLI_PATH + "'";
    for (const std::string& w : words) script += " '" + w + "'";
    script += ")\nCOMP_CWORD=" + std::to_string(words.size()) +
              "\n_zelvar_cli\nprintf '%s\\n' \"${COMPREPLY[@]}\" | sort | tr '\\n' ' '\n";
    std::ofstream("complete.sh") << script;
    FILE* pipe = popen("bash complete.sh", "r");
    std::string out;
    for (int c; pipe != nullptr && (c = std::fgetc(pipe)) != EOF;) out += static_cast<char>(c);
    if (pipe != nullptr) pclose(pipe);
    return out;
}

TEST(BashCompletion, CompletesCommandsOptionsChoicesAndFiles) {
    testdata::ScratchDir dir("zelvar-completion");
    std::ofstream("zelvar.val") << "";
    const struct {
        std::vector<std::string> words;
        std::string candidates;
    } cases[] = {
        {{"ma"}, "magnifier "},
        {{"--v"}, "--version "},
        {{"design", "--exc"}, "--excitation "},
        {{"design", "--excitation", ""}, "k l m n "},
        {{"design", "--C1", ""}, " "},  // a number: nothing to offer
        {{"magnifier", "--"}, "--C1 --C3 --L3 --help --k --l --m "},
        {{"simulate", "--square", "--st"}, "--steps --stop --stop-mode "},
        {{"simulate", "--stop-mode", "s"}, "short "},
        {{"simulate", "--values", "zel"}, "zelvar.val "},
        {{"fit", "--retune", ""}, "C1 L1 "},
        {{"fit", "--sh"}, "--short-high --short-low "},
    };
    for (const auto& c : cases) EXPECT_EQ(complete(c.words), c.candidates) << c.words.back();
}
