// zelvar-cli simulate --png / --svg: the waveform window's picture of the
// run, drawn by the window's own code.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <QImage>
#include <QPushButton>
#include <QTest>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "../app/gui_helpers_guitest.h"
#include "../app/scratch_dir.h"

using namespace zelvar;

namespace {

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Runs the built zelvar-cli in the current directory; its exit status, with
// standard output and standard error.
int run_cli_program(const std::string& arguments, std::string& out, std::string& err) {
    const std::string command = std::string("'") + ZELVAR_CLI_PATH + "' " + arguments + " 2>stderr.txt";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return -1;
    out.clear();
    char buffer[4096];
    for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
    const int status = pclose(pipe);
    err = slurp("stderr.txt");
    std::remove("stderr.txt");
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class CliPicture : public guitest::ProgramWindows {
protected:
    void SetUp() override {
        scratch_ = std::make_unique<testdata::ScratchDir>("zelvar-pic");
        ProgramWindows::SetUp();
    }
    void TearDown() override {
        ProgramWindows::TearDown();
        scratch_.reset();
    }
    std::unique_ptr<testdata::ScratchDir> scratch_;
};

// 'Design "ZELVAR"', "Simulate" and "Plot" at the default settings show the
// same pixels as the command line's picture of the design's value file.
TEST_F(CliPicture, PngEqualsTheWaveformWindowAfterTheSameRun) {
    ASSERT_TRUE(activate(d));
    click_through_window(d->Bdesign);
    ASSERT_TRUE(d->Bsimulate->isEnabled());
    click_through_window(d->Bsimulate);
    ASSERT_TRUE(QTest::qWaitForWindowActive(p));
    click_through_window(p->Breplot);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(windows->Fwave));
    const QImage window =
        windows->Fwave->PaintBox1->grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_TRUE(windows->document.results_valid);
    ASSERT_EQ(window.size(), QSize(632, 476));

    std::string out, err;
    ASSERT_EQ(run_cli_program("simulate --values zelvar.val --png p.png --svg p.svg", out, err), 0) << err;
    EXPECT_EQ(err, "");
    EXPECT_NE(out.find("Run completed: 600 points.\nPicture saved in file p.png\nPicture saved in file p.svg\n"),
              std::string::npos)
        << out;
    const QImage png = QImage("p.png").convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(png.size(), window.size());
    int differing = 0;
    for (int y = 0; y < png.height(); ++y)
        for (int x = 0; x < png.width(); ++x) differing += (png.pixel(x, y) | 0xFF000000u) != window.pixel(x, y);
    EXPECT_EQ(differing, 0);
    EXPECT_NE(slurp("p.svg").find("<title>Waveforms</title>"), std::string::npos);

    // Another size and a scale factor: the picture follows them.
    ASSERT_EQ(run_cli_program("simulate --values zelvar.val --png q.png --size 300x200 --scale-v3 0.5", out, err),
              0)
        << err;
    EXPECT_EQ(QImage("q.png").size(), QSize(300, 200));
}

// A picture that cannot be written: exit status 2, the message on standard
// error, and an existing file stays whole.
TEST_F(CliPicture, UnwritablePathExits2WithTheMessage) {
    std::string out, err;
    ASSERT_EQ(run_cli_program("design", out, err), 0);
    EXPECT_EQ(run_cli_program("simulate --values zelvar.val --png missing/p.png", out, err), 2);
    EXPECT_EQ(err, "Picture file missing/p.png cannot be written: No such file or directory.\n");
    EXPECT_EQ(out.find("Picture saved"), std::string::npos);
    {
        std::ofstream("old.png") << "old";
    }
    ASSERT_EQ(chmod("old.png", 0444), 0);
    EXPECT_EQ(run_cli_program("simulate --values zelvar.val --png old.png", out, err), 2);
    EXPECT_EQ(err, "Picture file old.png cannot be written: Permission denied.\n");
    EXPECT_EQ(slurp("old.png"), "old");

    // A folder of that name is refused before the run, so no other picture
    // is written; one that fails while written comes after the files
    // already announced.
    std::filesystem::create_directory("adir");
    EXPECT_EQ(run_cli_program("simulate --values zelvar.val --png pp.png --svg adir", out, err), 2);
    EXPECT_EQ(err, "Picture file adir cannot be written: Is a directory.\n");
    EXPECT_FALSE(std::filesystem::exists("pp.png"));
    if (std::filesystem::exists("/dev/full")) {
        EXPECT_EQ(run_cli_program("simulate --values zelvar.val --csv a.csv --png pp.png --svg /dev/full", out, err), 2);
        EXPECT_EQ(err, "Picture file /dev/full cannot be written: No space left on device.\n");
        EXPECT_NE(out.find("\nSamples saved in file a.csv\nPicture saved in file pp.png\n"), std::string::npos) << out;
        const std::string last = "Picture saved in file pp.png\n";  // the last line: the SVG failed
        ASSERT_GE(out.size(), last.size());
        EXPECT_EQ(out.substr(out.size() - last.size()), last) << out;
    }

    EXPECT_EQ(run_cli_program("simulate --png p.png --size 632", out, err), 64);
    EXPECT_NE(err.find("the size must be WxH pixels"), std::string::npos) << err;
}

}  // namespace
