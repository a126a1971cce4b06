// SPDX-License-Identifier: GPL-3.0-or-later
// zelvar-cli loads the toolkit only to draw: the shared objects a command
// maps, as the dynamic loader lists them (LD_DEBUG=files names every object
// it loads, at start-up and by dlopen).
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "scratch_dir.h"

namespace {

// The objects the loader loaded for the built zelvar-cli run with `args` in
// the current folder, one "file=..." line each; its exit status in `status`.
std::vector<std::string> loaded_objects(const std::vector<std::string>& args, int& status) {
    int pipe_fds[2];
    if (pipe(pipe_fds) != 0) return {};
    const pid_t pid = fork();
    if (pid == 0) {
        std::vector<std::string> words = {ZELVAR_CLI_PATH};
        words.insert(words.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& w : words) argv.push_back(w.data());
        argv.push_back(nullptr);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(pipe_fds[1], 2);
        close(pipe_fds[0]);
        setenv("LD_DEBUG", "files", 1);
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(pipe_fds[1]);
    std::string text;
    char buffer[4096];
    for (ssize_t n; (n = read(pipe_fds[0], buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<std::size_t>(n));
    close(pipe_fds[0]);
    int wait_status = 0;
    waitpid(pid, &wait_status, 0);
    status = WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : -1;
    std::vector<std::string> objects;
    for (std::size_t at = 0; (at = text.find("file=", at)) != std::string::npos; ++at)
        objects.push_back(text.substr(at, text.find_first_of(" \n", at) - at));
    return objects;
}

bool any_contains(const std::vector<std::string>& objects, const std::string& part) {
    for (const std::string& o : objects)
        if (o.find(part) != std::string::npos) return true;
    return false;
}

TEST(CliLibraries, CommandsThatDoNotDrawLoadNoToolkit) {
    const zelvar::testdata::ScratchDir scratch("zelvar-libs");
    // design writes the value file the runs take.
    const std::vector<std::vector<std::string>> commands = {{"design"},
                                                            {"--version"},
                                                            {"simulate", "--values", "zelvar.val"},
                                                            {"simulate", "--values", "zelvar.val", "--csv", "s.csv"},
                                                            {"modes", "--max", "6"}};
    for (const auto& args : commands) {
        int status = -1;
        const std::vector<std::string> objects = loaded_objects(args, status);
        EXPECT_EQ(status, 0) << args[0];
        // The listing is there at all: the C library is always loaded.
        EXPECT_TRUE(any_contains(objects, "libc.so")) << args[0];
        EXPECT_FALSE(any_contains(objects, "libQt")) << args[0];
        EXPECT_FALSE(any_contains(objects, "zelvar-pictures")) << args[0];
    }
}

#ifdef ZELVAR_PICTURES
TEST(CliLibraries, APictureLoadsThePictureLibraryAndTheToolkit) {
    const zelvar::testdata::ScratchDir scratch("zelvar-libs");
    int status = -1;
    loaded_objects({"design"}, status);
    ASSERT_EQ(status, 0);
    const std::vector<std::string> objects =
        loaded_objects({"simulate", "--values", "zelvar.val", "--png", "p.png"}, status);
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(any_contains(objects, "libzelvar-pictures.so"));
    EXPECT_TRUE(any_contains(objects, "libQt6Gui"));
    EXPECT_EQ(access("p.png", F_OK), 0);
}

// A zelvar-cli away from its picture library says where it looked.
TEST(CliLibraries, AMissingPictureLibraryIsAnErrorNamingWhereItWasLookedFor) {
    const zelvar::testdata::ScratchDir scratch("zelvar-libs");
    std::filesystem::copy_file(ZELVAR_CLI_PATH, "zelvar-cli");
    const std::string folder = std::filesystem::current_path().string();
    const std::string command = "./zelvar-cli design >/dev/null && ./zelvar-cli simulate --values zelvar.val "
                                "--png p.png 2>&1 >/dev/null; echo $?";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string out;
    char buffer[4096];
    for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
    pclose(pipe);
    EXPECT_EQ(out, "The picture library libzelvar-pictures.so is in neither " + folder + " nor " + folder + "/../" +
                       ZELVAR_PICTURES_DIR + ".\n2\n");
    EXPECT_NE(access("p.png", F_OK), 0);
}
#endif

}  // namespace
