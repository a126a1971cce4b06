// The design window driven as the user does: the typical road from
// 'Design "ZELVAR"' to "Plot", refused texts, faults and the report log.
#include "design/design_window.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "../app/gui_helpers_guitest.h"
#include "../app/scratch_dir.h"
#include "default_design_report.h"
#include "app/application_window.h"
#include "app/faults.h"
#include "idealmag/idealmag_window.h"
#include "plot/wave_window.h"
#include "sim/param_window.h"
#include "widgets/radio_group_widget.h"
#include "widgets/tnedit_widget.h"

namespace zelvar {
namespace {

const QStringList kDefaultReport = guitest::latin1_lines(testdata::default_design_report());
const QString mu = QString(QChar(0xB5));

class DesignWindow : public guitest::ProgramWindows {
protected:
    void SetUp() override {
        // A run writes zelvar.val in the working directory.
        scratch_ = std::make_unique<testdata::ScratchDir>("zelvar-gui");
        ProgramWindows::SetUp();
        ASSERT_TRUE(activate(d));
    }
    void TearDown() override {
        ProgramWindows::TearDown();
        scratch_.reset();
    }

private:
    std::unique_ptr<testdata::ScratchDir> scratch_;
};

TEST_F(DesignWindow, TypicalRoadFromDesignToPlot) {
    windows->document.dirty = false;
    BoxCatcher boxes;
    click_through_window(d->Bdesign);
    boxes.settle();
    EXPECT_TRUE(boxes.boxes.empty());

    // The report follows the 50 help lines.
    EXPECT_EQ(log_lines().mid(0, 50), design_help_lines());
    EXPECT_EQ(report(), kDefaultReport);
    std::ifstream value_file("zelvar.val", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(value_file), {}), testdata::default_value_file());

    // The hand-over: eight fields through the real setter, "Simulate"
    // enabled; the parameter window stays hidden and the store unmarked.
    EXPECT_TRUE(d->Bsimulate->isEnabled());
    EXPECT_EQ(p->NEC1->text(), "5E-9");
    EXPECT_EQ(p->NEC2->text(), "4.11080586080586E-11");
    EXPECT_EQ(p->NEC3->text(), "1E-11");
    EXPECT_EQ(p->NEL1->text(), "0.000149158861917303");
    EXPECT_EQ(p->NEL2->text(), "0.00654545454545455");
    EXPECT_EQ(p->NEL3->text(), "0.03");
    EXPECT_EQ(p->NEk12->text(), "0.299936354214884");
    EXPECT_EQ(p->NEfin->text(), "319495.401967657");
    EXPECT_EQ(p->NEC1->panel_real(), 5e-9L);
    EXPECT_NEAR(static_cast<double>(p->NEk12->panel_real()), 0.299936354214884, 1e-15);
    EXPECT_EQ(p->NER1->text(), "0");
    EXPECT_EQ(p->NEvin->text(), "200");
    EXPECT_FALSE(p->isVisible());
    EXPECT_FALSE(windows->document.dirty);

    // "Simulate": the store is marked and the parameter window comes up.
    click_through_window(d->Bsimulate);
    EXPECT_TRUE(windows->document.dirty);
    EXPECT_TRUE(p->isVisible());
    ASSERT_TRUE(QTest::qWaitForWindowActive(p));

    // Losses and time range typed in, then "Plot" shows the waveforms.
    retype(p->NER1, "10");
    QTest::keyClick(p->NER1, Qt::Key_Tab);
    EXPECT_EQ(p->NER1->panel_real(), 10.0L);
    windows->document.dirty = false;
    click_through_window(p->Breplot);
    EXPECT_TRUE(windows->Fwave->isVisible());
    // Its repaint runs the simulation with the parameter window's values,
    // and the end of the run enables "Save Ref.".
    ASSERT_TRUE(QTest::qWaitForWindowExposed(windows->Fwave));
    for (int i = 0; i < 200 && !windows->document.results_valid; ++i) QTest::qWait(10);
    EXPECT_TRUE(windows->document.results_valid);
    EXPECT_FALSE(windows->document.dirty);
    EXPECT_EQ(windows->document.result.samples.count(), 600);  // "Points"
    EXPECT_TRUE(p->Bsaveref->isEnabled());
    boxes.settle();
    EXPECT_TRUE(boxes.boxes.empty());

    // A second design goes after the first one.
    ASSERT_TRUE(activate(d));
    click_through_window(d->Bdesign);
    QStringList twice = kDefaultReport + kDefaultReport;
    const QStringList all = report();
    // The simulation may have written its own lines in between.
    ASSERT_GE(all.size(), twice.size());
    EXPECT_EQ(all.mid(0, kDefaultReport.size()), kDefaultReport);
    EXPECT_EQ(all.mid(all.size() - kDefaultReport.size()), kDefaultReport);
}

TEST_F(DesignWindow, HandOverSetsTheEightFieldsInOrderThenEnablesSimulate) {
    std::vector<std::string> order;
    for (TNEdit* f : {p->NEC1, p->NEC2, p->NEC3, p->NEL1, p->NEL2, p->NEL3, p->NEk12, p->NEfin, p->NER1, p->NEvin}) {
        f->set_panel_real(0);
        QObject::connect(f, &QLineEdit::textChanged, [&order, f, this] {
            order.push_back(f->objectName().toStdString());
            EXPECT_FALSE(d->Bsimulate->isEnabled()) << "enabled before " << order.back();
        });
    }
    click_through_window(d->Bdesign);
    EXPECT_EQ(order, (std::vector<std::string>{"NEC1", "NEC2", "NEC3", "NEL1", "NEL2", "NEL3", "NEk12", "NEfin"}));
    EXPECT_TRUE(d->Bsimulate->isEnabled());
    EXPECT_EQ(report().back(), "Values saved in file zelvar.val");
}

TEST_F(DesignWindow, HostileValuesEndInALineOrABoxNeverACrash) {
    BoxCatcher boxes;
    const long double values[] = {0, -1, 1e4000L, -1e-4000L, 1e-4950L, 3e9L, 2};
    TNEdit* fields[] = {d->NEk, d->NEl, d->NEm, d->NEn, d->NEC1, d->NEC3, d->NEL3, d->NEg1, d->NEg2};
    int runs = 0;
    for (int excitation : {1, 2, 3, 0}) {
        d->RGexcitation->set_item_index(excitation);
        d->CBC1->setChecked(excitation == 1);
        d->CBC2->setChecked(excitation == 1);
        for (TNEdit* f : fields) {
            const long double keep = f->panel_real();
            for (long double v : values) {
                f->set_panel_real(v);
                const int before = d->Memo1->document()->blockCount();
                const std::size_t boxes_before = boxes.boxes.size();
                d->BdesignClick();
                boxes.settle();
                ++runs;
                // Either report lines or an error box (or both).
                EXPECT_TRUE(d->Memo1->document()->blockCount() > before || boxes.boxes.size() > boxes_before)
                    << f->objectName().toStdString() << " = " << static_cast<double>(v);
            }
            f->set_panel_real(keep);
        }
    }
    EXPECT_EQ(runs, 4 * 9 * 7);
    for (const auto& b : boxes.boxes) EXPECT_EQ(b.title, "ZELVAR Designer");
}

TEST_F(DesignWindow, RefusedTextStopsTheDesignButton) {
    BoxCatcher boxes;
    retype(d->NEC1, "1,5");
    click_through_window(d->Bdesign);
    ASSERT_TRUE(boxes.wait_for(1));
    boxes.settle();
    ASSERT_EQ(boxes.boxes.size(), 1u);
    boxes.expect_error_box(0, "1,5 is not a valid number.");
    // The design did not run.
    EXPECT_EQ(d->Memo1->document()->blockCount(), 50);
    EXPECT_FALSE(d->Bsimulate->isEnabled());
    EXPECT_EQ(d->NEC1->panel_real(), 5e-9L);
    EXPECT_EQ(d->NEC1->text(), "1,5");
    EXPECT_EQ(QApplication::focusWidget(), d->NEC1);

    // Corrected, the same click designs with the new value.
    retype(d->NEC1, "5e-9");
    click_through_window(d->Bdesign);
    boxes.settle();
    EXPECT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(report(), kDefaultReport);
    EXPECT_EQ(d->NEC1->text(), "5e-9");
    EXPECT_TRUE(d->Bsimulate->isEnabled());
}

TEST_F(DesignWindow, FaultShowsTheBoxAndKeepsTheLinesWritten) {
    BoxCatcher boxes;
    retype(d->NEC1, "0");
    click_through_window(d->Bdesign);
    ASSERT_TRUE(boxes.wait_for(1));
    boxes.expect_error_box(0, "Floating point division by zero.");
    const QStringList lines = report();
    ASSERT_EQ(lines.size(), 22);
    EXPECT_EQ(lines.back(), "L[1]:    0.000292956 H");
    EXPECT_FALSE(d->Bsimulate->isEnabled());
    EXPECT_EQ(p->NEC1->text(), "0");
    EXPECT_FALSE(std::filesystem::exists("zelvar.val"));
}

TEST_F(DesignWindow, ValueFileErrorShowsTheBoxAndHandsNothingOver) {
    // "zelvar.val" cannot be created: a directory holds its name.
    std::filesystem::create_directory("zelvar.val");
    BoxCatcher boxes;
    click_through_window(d->Bdesign);
    ASSERT_TRUE(boxes.wait_for(1));
    boxes.expect_error_box(0, "File access denied.");
    // The report up to the energy transfer time stays; nothing after it.
    EXPECT_EQ(report(), kDefaultReport.mid(0, kDefaultReport.size() - 1));
    EXPECT_FALSE(d->Bsimulate->isEnabled());
    EXPECT_EQ(p->NEC2->text(), "0");
    EXPECT_EQ(p->NEfin->text(), "300000");
}

TEST_F(DesignWindow, OwnCheckStopsQuietlyAndKeepsSimulateEnabled) {
    BoxCatcher boxes;
    click_through_window(d->Bdesign);
    ASSERT_TRUE(d->Bsimulate->isEnabled());
    // Excitation at k*w0 is irrealizable: one line, no box, nothing handed over.
    p->NEC2->set_panel_real(1);
    click_through_window(d->RGexcitation->item(0));
    ASSERT_EQ(d->RGexcitation->item_index(), 0);
    click_through_window(d->Bdesign);
    boxes.settle();
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(report().back(), "The design is irrealizable.");
    EXPECT_TRUE(d->Bsimulate->isEnabled());
    EXPECT_EQ(p->NEC2->text(), "1");
}

TEST_F(DesignWindow, ExcitationAtLReadsTheOptionsFromTheWindow) {
    click_through_window(d->RGexcitation->item(1));
    click_through_window(d->CBC1);
    ASSERT_TRUE(d->CBC1->isChecked());
    click_through_window(d->Bdesign);
    const QStringList lines = report();
    ASSERT_GE(lines.size(), 4);
    EXPECT_EQ(lines[0], "Limits for the factor for the energy left in C1:");
    EXPECT_EQ(lines[1], "Factor <   -0.2357142857");
    EXPECT_EQ(lines[2], "Factor >   -1.7357142857");
    EXPECT_EQ(lines[3], "Residues:");
    EXPECT_TRUE(lines.contains("k12:    0.427867968"));
    EXPECT_EQ(lines.back(), "Values saved in file zelvar.val");
    EXPECT_EQ(p->NEfin->text(), "248496.423752622");
}

TEST_F(DesignWindow, ReportLogIsEditableAndLinesGoAfterWhatItHolds) {
    // Appended lines are scrolled into view.
    QScrollBar* bar = d->Memo1->verticalScrollBar();
    EXPECT_EQ(bar->value(), 0);
    click_through_window(d->Bdesign);
    EXPECT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), bar->maximum());

    // The user clears the log: the next report starts on its first line.
    d->Memo1->setFocus(Qt::MouseFocusReason);
    QTest::keyClick(d->Memo1, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(d->Memo1, Qt::Key_Delete);
    ASSERT_TRUE(d->Memo1->toPlainText().isEmpty());
    click_through_window(d->Bdesign);
    EXPECT_EQ(log_lines(), kDefaultReport);

    // Typed text stays; the next line goes after it.
    d->Memo1->setFocus(Qt::MouseFocusReason);
    QTest::keyClick(d->Memo1, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClicks(d->Memo1, "my note");
    d->report_log().append_line(std::string("5 ") + '\xB5' + "s");
    const QStringList lines = log_lines();
    ASSERT_GE(lines.size(), 2);
    EXPECT_EQ(lines[lines.size() - 2], "Values saved in file zelvar.valmy note");
    EXPECT_EQ(lines.back(), "5 " + mu + "s");
}

TEST_F(DesignWindow, UndoTakesBackTheUsersEditsNeverTheReportLines) {
    const QStringList help = log_lines();
    d->Memo1->setFocus(Qt::MouseFocusReason);
    QTest::keyClick(d->Memo1, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClicks(d->Memo1, "<b>A</b> &amp;");  // shown as typed
    click_through_window(d->Bdesign);
    d->Memo1->setFocus(Qt::MouseFocusReason);
    QTest::keyClick(d->Memo1, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClicks(d->Memo1, "B");
    const QStringList edited = log_lines();
    EXPECT_EQ(edited[49], "<b>A</b> &amp;");
    EXPECT_EQ(edited.back(), "Values saved in file zelvar.valB");

    // Each edit is one step back; the report lines are none.
    for (int i = 0; i < 4; ++i) QTest::keyClick(d->Memo1, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(log_lines(), help + kDefaultReport);
    for (int i = 0; i < 3; ++i) QTest::keyClick(d->Memo1, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(log_lines(), edited);
}

TEST_F(DesignWindow, ScrollBarAndRightClickLeaveTheFocusInTheFieldUnchecked) {
    BoxCatcher boxes;
    for (int i = 0; i < 40; ++i) d->report_log().append_line("line");
    QScrollBar* bar = d->Memo1->verticalScrollBar();
    bar->setValue(0);
    retype(d->NEk, "abc");
    const QStringList before = log_lines();

    // The bar's trough under the slider: the log scrolls, the field keeps
    // the focus and its text goes unchecked.
    const QPoint trough = bar->mapTo(d, QPoint(bar->width() / 2, bar->height() - 40));
    QTest::mouseClick(d->windowHandle(), Qt::LeftButton, Qt::NoModifier, trough);
    QTest::mouseDClick(d->windowHandle(), Qt::LeftButton, Qt::NoModifier, trough);
    // A right click on a button does not press it or take the focus.
    const QPoint button = d->Bdesign->mapTo(d, d->Bdesign->rect().center());
    QTest::mouseClick(d->windowHandle(), Qt::RightButton, Qt::NoModifier, button);
    boxes.settle();
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_GT(bar->value(), 0);
    EXPECT_EQ(QApplication::focusWidget(), d->NEk);
    EXPECT_EQ(log_lines(), before);
    EXPECT_EQ(d->Bdesign->focusPolicy(), Qt::StrongFocus);
    EXPECT_EQ(d->Memo1->focusPolicy(), Qt::StrongFocus);

    // A left click on the button moves the focus: the check runs as before.
    click_through_window(d->Bdesign);
    ASSERT_TRUE(boxes.wait_for(1));
    boxes.expect_error_box(0, "abc is not a valid number.");
    EXPECT_EQ(log_lines(), before);
}

void write_text(const char* path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string read_text(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST_F(DesignWindow, LoadedValueFileFillsTheEightFieldsAsADesignDoes) {
    write_text("design.val", testdata::default_value_file());
    windows->document.dirty = false;
    p->load_values("design.val");
    EXPECT_EQ(p->NEC1->text(), "5E-9");
    EXPECT_EQ(p->NEC2->text(), "4.11080586080586E-11");
    EXPECT_EQ(p->NEC3->text(), "1E-11");
    EXPECT_EQ(p->NEL1->text(), "0.000149158861917303");
    EXPECT_EQ(p->NEL2->text(), "0.00654545454545455");
    EXPECT_EQ(p->NEL3->text(), "0.03");
    EXPECT_EQ(p->NEk12->text(), "0.299936354214884");
    EXPECT_EQ(p->NEfin->text(), "319495.401967657");
    EXPECT_EQ(p->NEk12->panel_real(), 2.99936354214884E-0001L);
    EXPECT_TRUE(windows->document.dirty);
    EXPECT_TRUE(d->Bsimulate->isEnabled());
}

TEST_F(DesignWindow, RefusedValueFileChangesNoField) {
    std::string bad = testdata::default_value_file();
    bad.replace(bad.find("4.1108"), 1, "4,");
    write_text("bad.val", bad);
    const struct {
        const char* path;
        const char* message;
    } cases[] = {
        {"bad.val", "Value file bad.val, line 3: 4,.11080586080586E-0011 is not a valid number"},
        {"missing.val", "Value file missing.val cannot be read: No such file or directory"},
    };
    for (const auto& c : cases) {
        std::string message;
        try {
            p->load_values(c.path);
        } catch (const Error& e) {
            message = e.what();
        }
        EXPECT_EQ(message, c.message);
        for (TNEdit* field : {p->NEC1, p->NEC2, p->NEC3, p->NEL1, p->NEL2, p->NEL3, p->NEk12, p->NEfin})
            EXPECT_EQ(field->panel_real(), field == p->NEfin ? 300000 : 0) << field->objectName().toStdString();
        EXPECT_FALSE(d->Bsimulate->isEnabled());
    }
}

TEST_F(DesignWindow, SavedReportIsTheLogInUtf8AndAFailedSaveKeepsTheOldFile) {
    click_through_window(d->Bdesign);
    d->save_report("report.txt");
    const std::string saved = read_text("report.txt");
    EXPECT_EQ(QString::fromUtf8(saved), d->Memo1->toPlainText() + "\n");
    EXPECT_NE(saved.find("L[1]:    149.158861917 \xC2\xB5H"), std::string::npos);

    // The file cannot be written: the error, and the old file whole.
    write_text("old.txt", "old report\n");
    std::filesystem::permissions("old.txt", std::filesystem::perms::owner_read);
    std::string message;
    try {
        d->save_report("old.txt");
    } catch (const Error& e) {
        message = e.what();
    }
    EXPECT_EQ(message, "Report file old.txt cannot be written: Permission denied");
    EXPECT_EQ(read_text("old.txt"), "old report\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator("."), std::filesystem::directory_iterator()), 3);
}

// Answers the file dialog that opens next by typing `name` (a file in the
// folder it opens in, the working directory) and accepting it.
void answer_file_dialog(const QString& name) {
    QTimer::singleShot(50, [name] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        auto* typed = dialog->findChild<QLineEdit*>("fileNameEdit");
        ASSERT_NE(typed, nullptr);
        typed->setText(name);
        static_cast<QDialog*>(dialog)->accept();  // as the dialog's own button does
    });
}

TEST_F(DesignWindow, CtrlSAndCtrlOAskForTheFileThenSaveTheLogOrLoadTheValues) {
    answer_file_dialog("saved.txt");
    QTest::keyClick(d, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(QString::fromUtf8(read_text("saved.txt")), d->Memo1->toPlainText() + "\n");

    // A refused file: the error box names the file and the line.
    write_text("bad.val", "C1 x\n");
    BoxCatcher boxes;
    ASSERT_TRUE(activate(d));
    answer_file_dialog("bad.val");
    QTest::keyClick(d, Qt::Key_O, Qt::ControlModifier);
    ASSERT_TRUE(boxes.wait_for(1));
    boxes.expect_error_box(0, "Value file " + QDir::currentPath() + "/bad.val, line 1: x is not a valid number.");
    EXPECT_FALSE(d->Bsimulate->isEnabled());
}

}  // namespace
}  // namespace zelvar
