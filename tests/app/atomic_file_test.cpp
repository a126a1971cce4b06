// SPDX-License-Identifier: GPL-3.0-or-later
// Names that stand for something other than a file in a folder are written
// into, never replaced by a rename: a pipe, and an open file reached through
// /proc as /dev/stdout reaches the standard output.
#include "app/atomic_file.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "scratch_dir.h"

namespace zelvar {
namespace {

namespace fs = std::filesystem;

std::string contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(AtomicFile, PipesAndOpenFilesThroughProcAreWrittenIntoNotReplaced) {
    testdata::ScratchDir dir("zelvar-atomic");

    // A FIFO with a reader gets the bytes and stays a FIFO; one without a
    // reader is refused at once instead of waited for.
    ASSERT_EQ(::mkfifo("pipe", 0600), 0);
    EXPECT_THROW(write_file_atomically("pipe", "nobody reads\n"), FileError);
    const int reader = ::open("pipe", O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    write_file_atomically("pipe", "through the pipe\n");
    char buffer[64] = {};
    EXPECT_EQ(::read(reader, buffer, sizeof buffer), 17);
    EXPECT_EQ(std::string(buffer), "through the pipe\n");
    ::close(reader);
    struct stat st;
    ASSERT_EQ(::lstat("pipe", &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));

    // A link to /proc/self/fd/N, as /dev/stdout is to fd 1: the bytes go
    // through descriptor N, after what was written to it, and the link stays.
    const int out = ::open("out.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(out, 0);
    ASSERT_EQ(::write(out, "report line\n", 12), 12);
    fs::create_symlink("/proc/self/fd/" + std::to_string(out), "stdout");
    write_file_atomically("stdout", "csv row\n");
    write_file_atomically("/proc/self/fd/" + std::to_string(out), "another row\n");
    ASSERT_EQ(::write(out, "last line\n", 10), 10);  // after the rows, through the same descriptor
    ::close(out);
    EXPECT_TRUE(fs::is_symlink("stdout"));
    EXPECT_EQ(contents("out.txt"), "report line\ncsv row\nanother row\nlast line\n");
    EXPECT_THROW(write_file_atomically("/dev/fd/999999", "x"), FileError);  // not open

    // A plain file is still replaced whole.
    std::ofstream("plain.txt") << "a longer old text\n";
    write_file_atomically("plain.txt", "new\n");
    EXPECT_EQ(contents("plain.txt"), "new\n");
}

}  // namespace
}  // namespace zelvar
