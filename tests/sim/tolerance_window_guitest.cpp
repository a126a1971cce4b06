#include "sim/tolerance_window.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>

#include <cfenv>
#include <sstream>

#include "../app/gui_helpers_guitest.h"
#include "app/dispatch_cli.h"
#include "design/design_window.h"
#include "report/format.h"
#include "sim/default_design_circuit.h"
#include "sim/sample_csv.h"
#include "widgets/radio_group_widget.h"
#include "widgets/tnedit_widget.h"

namespace zelvar {
namespace {

class ToleranceWindow : public guitest::ProgramWindows {
protected:
    void SetUp() override {
        ProgramWindows::SetUp();
        t = windows->Ftolerance;
        // The default design's circuit in the parameter window.
        const SimParams c = default_design_circuit();
        write_element_fields(*p, {c.C1, c.C2, c.C3, c.L1, c.L2, c.L3, c.k12});
        p->NEfin->set_panel_real(c.fin);
    }
    // Lets events run until the analysis has ended (at most a minute).
    bool wait_until_done() {
        QElapsedTimer clock;
        clock.start();
        while (t->running() && clock.elapsed() < 60000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return !t->running();
    }
    TFtolerance* t = nullptr;
};

TEST_F(ToleranceWindow, OpensFromTheParameterWindowWithoutMovingItsControls) {
    ASSERT_TRUE(activate(p));
    EXPECT_EQ(p->Btolerance->geometry(), QRect(8, 320, 81, 25));
    EXPECT_EQ(p->Btolerance->text(), "Tolerance...");
    EXPECT_EQ(p->Btolerance->focusPolicy(), Qt::ClickFocus);  // the window's tab chain is unchanged
    EXPECT_FALSE(t->isVisible());
    click_through_window(p->Btolerance);
    EXPECT_TRUE(t->isVisible());
    EXPECT_EQ(t->windowTitle(), "Tolerance analysis");
    t->hide();
    ASSERT_TRUE(activate(p));
    QTest::keyClick(p, Qt::Key_T, Qt::ControlModifier);
    EXPECT_TRUE(t->isVisible());
}

TEST_F(ToleranceWindow, FiguresEqualTheCommandLinesForTheSameInputs) {
    ASSERT_TRUE(activate(t));
    retype(t->NEtol[kTolFin], "0.5");
    retype(t->NEruns, "40");
    retype(t->NEseed, "7");
    t->RGdist->set_item_index(1);
    const int before = log_lines().size();
    click_through_window(t->Brun);
    EXPECT_TRUE(t->running());
    EXPECT_FALSE(t->Brun->isEnabled());
    ASSERT_TRUE(wait_until_done());
    EXPECT_EQ(t->progress->value(), t->progress->maximum());

    const SimParams c = default_design_circuit();
    std::ostringstream out, err;
    ASSERT_EQ(run_cli({"tolerance", "--C1", csv_real(c.C1), "--L1", csv_real(c.L1), "--C2", csv_real(c.C2), "--L2",
                       csv_real(c.L2), "--C3", csv_real(c.C3), "--L3", csv_real(c.L3), "--k12", csv_real(c.k12),
                       "--fin", csv_real(c.fin), "--tol-fin", "0.5", "--runs", "40", "--seed", "7", "--dist",
                       "gauss"},
                      out, err),
              kExitCompleted)
        << err.str();
    QStringList expected = QString::fromStdString(out.str()).split('\n');
    expected.removeLast();
    EXPECT_EQ(log_lines().mid(before), expected);
    EXPECT_EQ(t->result().summary.finished, 40);  // the window keeps the summary, not the runs
    EXPECT_FALSE(t->histogram->chart()->series().isEmpty());
    EXPECT_FALSE(t->tornado->chart()->series().isEmpty());
}

TEST_F(ToleranceWindow, CancelKeepsWhatFinishedAndFieldErrorsShowTheBox) {
    ASSERT_TRUE(activate(t));
    retype(t->NEruns, "100000");
    click_through_window(t->Brun);
    ASSERT_TRUE(t->running());
    QTest::qWait(300);  // the windows stay responsive meanwhile
    click_through_window(t->Bcancel);
    ASSERT_TRUE(wait_until_done());
    EXPECT_TRUE(t->result().cancelled);
    EXPECT_TRUE(log_lines().join('\n').contains(" of 100000 (cancelled)"));

    BoxCatcher boxes;
    retype(t->NEruns, "0");
    click_through_window(t->Brun);
    ASSERT_TRUE(boxes.wait_for(1));
    boxes.expect_error_box(0, "The number of runs must be between 1 and 1000000.");
    EXPECT_FALSE(t->running());
    retype(t->NEthreshold, "9O");
    click_through_window(t->Brun);
    ASSERT_TRUE(boxes.wait_for(2));
    boxes.expect_error_box(1, "9O is not a valid number.");
    EXPECT_FALSE(t->running());
}

// A floating-point flag left pending on the user-interface thread by other
// code (a file dialog closed with Escape leaves FE_INVALID) is no fault of
// the next analysis; an analysis that fails says so in its status.
TEST_F(ToleranceWindow, AFlagLeftByOtherCodeIsNoFaultAndAFailureSaysSo) {
    ASSERT_TRUE(activate(t));
    retype(t->NEruns, "20");
    BoxCatcher boxes;
    std::feraiseexcept(FE_INVALID);
    click_through_window(t->Brun);
    // Other code on this thread leaves the flag pending while the analysis
    // runs, up to its end.
    QElapsedTimer clock;
    clock.start();
    while (t->running() && clock.elapsed() < 60000) {
        std::feraiseexcept(FE_INVALID);
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    ASSERT_FALSE(t->running());
    boxes.settle();
    EXPECT_TRUE(boxes.boxes.empty()) << boxes.boxes.front().text.toStdString();
    EXPECT_EQ(t->result().summary.finished, 20);
    EXPECT_EQ(t->Lstatus->text(), "20 of 20 runs; yield 100.00 %");
    std::feclearexcept(FE_ALL_EXCEPT);

    p->NEC1->set_panel_real(0);  // the nominal run's own fault
    click_through_window(t->Brun);
    ASSERT_TRUE(wait_until_done());
    ASSERT_TRUE(boxes.wait_for(1));
    boxes.expect_error_box(0, "Floating point division by zero.");
    EXPECT_EQ(t->Lstatus->text(), "Failed.");
    EXPECT_TRUE(t->Brun->isEnabled());
}

}  // namespace
}  // namespace zelvar
