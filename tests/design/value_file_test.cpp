// SPDX-License-Identifier: GPL-3.0-or-later
// The value file: its bytes, and every way writing it can fail without
// losing the previous file.
#include "design/value_file.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "../app/scratch_dir.h"
#include "app/faults.h"

using namespace zelvar;
namespace fs = std::filesystem;

namespace {

class ValueFile : public ::testing::Test {
protected:
    static void put(const std::string& name, const std::string& text) {
        std::ofstream(name, std::ios::binary) << text;
    }
    static std::string get(const std::string& name) {
        std::ifstream in(name, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    // The names in the directory, so that a left-over temporary file shows.
    std::vector<std::string> names() const {
        std::vector<std::string> v;
        for (const auto& e : fs::directory_iterator(dir_)) v.push_back(e.path().filename().string());
        std::sort(v.begin(), v.end());
        return v;
    }
    static std::string error_of(const std::string& text) {
        try {
            write_value_file(text);
        } catch (const Error& e) {
            return e.what();
        }
        return "";
    }

    testdata::ScratchDir scratch_{"zelvar-valfile"};
    const fs::path dir_ = scratch_.path();
};

DesignState values(long double c1) {
    DesignState s;
    s.C[1] = c1, s.L[1] = 1.5e-4L, s.C[2] = 4e-11L, s.L[2] = 0.0065L;
    s.C[3] = 1e-11L, s.L[3] = 0.03L, s.k12 = 0.3L, s.fin = 319495.4L;
    return s;
}

TEST(ValueFileText, KeysBlankAndTwentyThreeCharacterNumbers) {
    EXPECT_EQ(value_file_text(values(5e-9L)),
              "C1  5.00000000000000E-0009\r\n"
              "L1  1.50000000000000E-0004\r\n"
              "C2  4.00000000000000E-0011\r\n"
              "L2  6.50000000000000E-0003\r\n"
              "C3  1.00000000000000E-0011\r\n"
              "L3  3.00000000000000E-0002\r\n"
              "k12  3.00000000000000E-0001\r\n"
              "fin  3.19495400000000E+0005\r\n");
    // A negative value takes the blank's place: one blank after the key.
    EXPECT_EQ(value_file_text(values(-5e-9L)).substr(0, 28), "C1 -5.00000000000000E-0009\r\n");
}

TEST(ValueFileText, ErrorNumbersToMessages) {
    EXPECT_EQ(io_error_message(ENOENT), "File not found");
    EXPECT_EQ(io_error_message(ENOTDIR), "Invalid filename");
    EXPECT_EQ(io_error_message(ENAMETOOLONG), "Invalid filename");
    EXPECT_EQ(io_error_message(EMFILE), "Too many open files");
    EXPECT_EQ(io_error_message(ENFILE), "Too many open files");
    EXPECT_EQ(io_error_message(EACCES), "File access denied");
    EXPECT_EQ(io_error_message(EPERM), "File access denied");
    EXPECT_EQ(io_error_message(EROFS), "File access denied");
    EXPECT_EQ(io_error_message(ENOSPC), "Disk full");
    EXPECT_EQ(io_error_message(EDQUOT), "Disk full");
    EXPECT_EQ(io_error_message(EIO), "I/O error 5");
    EXPECT_EQ(io_error_message(EFBIG), "I/O error 27");
}

TEST_F(ValueFile, WritesAndReplaces) {
    write_value_file("first\r\n");
    EXPECT_EQ(get("zelvar.val"), "first\r\n");
    write_value_file("second\r\n");
    EXPECT_EQ(get("zelvar.val"), "second\r\n");
    EXPECT_EQ(names(), std::vector<std::string>{"zelvar.val"});
}

TEST_F(ValueFile, NewFileFollowsTheUmaskAndAnOldFileKeepsItsMode) {
    const mode_t old_mask = umask(022);
    write_value_file("x");
    struct stat st;
    ASSERT_EQ(stat("zelvar.val", &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
    ASSERT_EQ(chmod("zelvar.val", 0640), 0);
    write_value_file("y");
    ASSERT_EQ(stat("zelvar.val", &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    umask(old_mask);
}

TEST_F(ValueFile, ReadOnlyFileIsRefusedAndKept) {
    put("zelvar.val", "previous\r\n");
    ASSERT_EQ(chmod("zelvar.val", 0444), 0);
    EXPECT_EQ(error_of("new\r\n"), "File access denied");
    EXPECT_EQ(get("zelvar.val"), "previous\r\n");
    EXPECT_EQ(names(), std::vector<std::string>{"zelvar.val"});
}

TEST_F(ValueFile, SymbolicLinkIsReplacedNotFollowed) {
    put("target.txt", "target\r\n");
    ASSERT_EQ(chmod("target.txt", 0444), 0);
    ASSERT_EQ(symlink("target.txt", "zelvar.val"), 0);
    write_value_file("new\r\n");
    EXPECT_FALSE(fs::is_symlink("zelvar.val"));
    EXPECT_EQ(get("zelvar.val"), "new\r\n");
    EXPECT_EQ(get("target.txt"), "target\r\n");

    // A dangling link is replaced too, and its target is not created.
    fs::remove("zelvar.val");
    ASSERT_EQ(symlink("missing.txt", "zelvar.val"), 0);
    write_value_file("again\r\n");
    EXPECT_EQ(get("zelvar.val"), "again\r\n");
    EXPECT_FALSE(fs::exists("missing.txt"));
}

TEST_F(ValueFile, DirectoryNamedZelvarValIsRefused) {
    fs::create_directory("zelvar.val");
    EXPECT_EQ(error_of("new\r\n"), "File access denied");
    EXPECT_TRUE(fs::is_directory("zelvar.val"));
    EXPECT_EQ(names(), std::vector<std::string>{"zelvar.val"});
}

TEST_F(ValueFile, DeletedWorkingDirectory) {
    const fs::path gone = dir_ / "gone";
    fs::create_directory(gone);
    fs::current_path(gone);
    fs::remove(gone);
    EXPECT_EQ(error_of("new\r\n"), "File not found");
    fs::current_path(dir_);
}

TEST_F(ValueFile, UnwritableDirectory) {
    // Not even root may create files in /sys.
    if (!fs::is_directory("/sys")) GTEST_SKIP() << "no /sys";
    fs::current_path("/sys");
    const std::string error = error_of("new\r\n");
    fs::current_path(dir_);
    EXPECT_EQ(error, "File access denied");
    EXPECT_FALSE(fs::exists("/sys/zelvar.val"));
}

TEST_F(ValueFile, FailedWriteLeavesThePreviousFileWhole) {
    const std::string previous = "C1  previous design\r\n";
    put("zelvar.val", previous);
    // Files may grow to 16 bytes only: the write of the new file fails
    // part-way with EFBIG.
    struct rlimit saved;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    struct sigaction ignore = {}, saved_action;
    ignore.sa_handler = SIG_IGN;
    ASSERT_EQ(sigaction(SIGXFSZ, &ignore, &saved_action), 0);
    struct rlimit small = saved;
    small.rlim_cur = 16;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const std::string error = error_of(std::string(200, 'x'));
    setrlimit(RLIMIT_FSIZE, &saved);
    sigaction(SIGXFSZ, &saved_action, nullptr);

    EXPECT_EQ(error, "I/O error 27");
    EXPECT_EQ(get("zelvar.val"), previous);
    EXPECT_EQ(names(), std::vector<std::string>{"zelvar.val"});
}

TEST_F(ValueFile, PendingFaultStopsBeforeAnyWrite) {
    volatile long double zero = 0;
    fp_clear();
    volatile long double r = 1 / zero;
    (void)r;
    try {
        save_value_file(values(5e-9L));
        FAIL() << "no fault";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), kDivisionByZero);
    }
    EXPECT_TRUE(names().empty());
    fp_clear();
    save_value_file(values(5e-9L));
    EXPECT_EQ(get("zelvar.val"), value_file_text(values(5e-9L)));
}

}  // namespace
