#include "fit/measured_window.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QPushButton>

#include <cmath>

#include "../app/gui_helpers_guitest.h"
#include "../app/scratch_dir.h"
#include "fit/as_built.h"
#include "report/format.h"
#include "widgets/tnedit_widget.h"

namespace zelvar {
namespace {

using MeasuredWindow = guitest::ProgramWindows;

// Lets events run until the window's fit has ended (at most 30 s) and its
// end has been handled.
void wait_for_end(TFmeasured* w) {
    QElapsedTimer clock;
    clock.start();
    while (w->running() && clock.elapsed() < 30000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

bool wait_for_fit(TFmeasured* w) {
    QElapsedTimer clock;
    clock.start();
    while ((w->running() || !w->outcome()) && clock.elapsed() < 30000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return !w->running() && w->outcome().has_value();
}

// The design built with C2 +8 %, C3 −5 %, k12 +3 %, its frequencies typed into
// the window; Fit returns it, "Use as built" and "Use retune" put the values
// into the parameter window and mark the run for recomputation.
TEST_F(MeasuredWindow, FitsTypedFrequenciesAndHandsTheValuesToTheSimulation) {
    testdata::ScratchDir dir("zelvar-measured-window");
    d->BdesignClick();
    const ElementValues design = fit::elements_of(p->read_params());
    ElementValues built = design;
    built.C2 *= 1.08L;
    built.C3 *= 0.95L;
    built.k12 *= 1.03L;

    EXPECT_EQ(p->Bmeasured->focusPolicy(), Qt::ClickFocus);  // the window's tab chain is unchanged
    ASSERT_TRUE(activate(p));
    click_through_window(p->Bmeasured);
    TFmeasured* w = p->measured_window();
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(activate(w));
    EXPECT_EQ(w->windowTitle(), "Measured resonances");
    for (int u = 0; u < fit::kUnknowns; ++u) EXPECT_EQ(w->CBunknown[u]->isChecked(), u == fit::kC2 || u == fit::kC3 || u == fit::kK12);

    // The whole network and the primary shorted; the others stay 0.
    const auto f = fit::network_frequencies(built);
    for (int m : {fit::kF1, fit::kF2, fit::kF3, fit::kShortLow, fit::kShortHigh}) {
        retype(w->NEf[m], QString::fromStdString(F(f[m], 0, 9)));
        QTest::keyClick(w->NEf[m], Qt::Key_Tab);
    }
    EXPECT_EQ(w->read_input().measured[fit::kOpenLow], 0);
    click_through_window(w->Bfit);
    ASSERT_TRUE(wait_for_fit(w));
    const fit::FitOutcome& o = *w->outcome();
    ASSERT_TRUE(o.has_figures());
    const ElementValues& fitted = o.fit.solutions[0].values;
    for (int u = 0; u < fit::kUnknowns; ++u)
        EXPECT_NEAR(fitted.*fit::unknown_field(u) / (built.*fit::unknown_field(u)), 1, 1e-8L) << fit::unknown_name(u);
    EXPECT_TRUE(w->report->toPlainText().contains("\nMode f1:f2:f3: design 1 : ")) << w->report->toPlainText().toStdString();
    EXPECT_GE(o.retune.best.efficiency, o.built.run.figures.efficiency);
    EXPECT_TRUE(w->Bbuilt->isEnabled());

    windows->document.dirty = false;
    click_through_window(w->Bbuilt);
    EXPECT_EQ(p->NEC2->panel_real(), fitted.C2);
    EXPECT_EQ(p->NEC3->panel_real(), fitted.C3);
    EXPECT_EQ(p->NEk12->panel_real(), fitted.k12);
    EXPECT_EQ(p->NEL1->panel_real(), design.L1);
    EXPECT_TRUE(windows->document.dirty);

    windows->document.dirty = false;
    click_through_window(w->Bretune);
    EXPECT_EQ(p->NEL1->panel_real(), o.retune.best.L1);
    EXPECT_EQ(p->NEk12->panel_real(), o.retune.best.k12);
    EXPECT_EQ(p->NEfin->panel_real(), o.retune.best.fin);
    EXPECT_EQ(p->NEstop->panel_real(), o.retune.best.tstop);
    EXPECT_EQ(p->NEC2->panel_real(), fitted.C2);
    EXPECT_TRUE(windows->document.dirty);
}

// "Cancel" ends the retune early with its best point so far, never below
// the as-built one.
TEST_F(MeasuredWindow, CancelEndsTheRetuneEarly) {
    testdata::ScratchDir dir("zelvar-measured-cancel");
    d->BdesignClick();
    ASSERT_TRUE(activate(p));
    click_through_window(p->Bmeasured);
    TFmeasured* w = p->measured_window();
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(activate(w));
    ElementValues built = fit::elements_of(p->read_params());
    built.C2 *= 1.08L;
    const auto f = fit::network_frequencies(built);
    for (int m = 0; m < fit::kMeasurements; ++m) w->NEf[m]->set_panel_real(f[m]);
    click_through_window(w->Bfit);
    EXPECT_TRUE(w->Bcancel->isEnabled());
    click_through_window(w->Bcancel);
    ASSERT_TRUE(wait_for_fit(w));
    const fit::FitOutcome& o = *w->outcome();
    EXPECT_TRUE(o.retune.cancelled);
    EXPECT_LT(o.retune.runs, o.retune_settings.max_runs);
    EXPECT_GE(o.retune.best.efficiency, o.retune.as_built.efficiency);
    EXPECT_TRUE(w->report->toPlainText().contains(" runs, cancelled)"));
}

TEST_F(MeasuredWindow, TooFewFrequenciesShowTheRefusalInTheErrorBox) {
    testdata::ScratchDir dir("zelvar-measured-refused");
    d->BdesignClick();
    ASSERT_TRUE(activate(p));
    click_through_window(p->Bmeasured);
    TFmeasured* w = p->measured_window();
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(activate(w));
    w->NEf[fit::kF1]->set_panel_real(177000);
    BoxCatcher boxes;
    click_through_window(w->Bfit);
    wait_for_end(w);
    ASSERT_TRUE(boxes.wait_for(1));
    boxes.expect_error_box(0, "3 unknowns (C2,C3,k12) need at least 3 measured frequencies; 1 is given.");
    EXPECT_FALSE(w->Bbuilt->isEnabled());
}

}  // namespace
}  // namespace zelvar
