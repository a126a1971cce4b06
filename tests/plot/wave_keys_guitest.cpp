// SPDX-License-Identifier: GPL-3.0-or-later
// Ctrl+0 and the CSV of the waveform window on a real run.
#include <gtest/gtest.h>

#include <QFile>

#include "../app/gui_helpers_guitest.h"
#include "../app/scratch_dir.h"
#include "plot/wave_window.h"

namespace zelvar {
namespace {

using WaveKeys = guitest::ProgramWindows;

TEST_F(WaveKeys, CtrlZeroShowsTheWholeRunAndTheCsvKeepsItsLastSample) {
    testdata::ScratchDir dir("zelvar-wave-keys");
    d->BdesignClick();
    p->BreplotClick();
    TFwave* w = windows->Fwave;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
    w->PaintBox1->repaint();
    ASSERT_TRUE(windows->document.results_valid);
    const ViewRecord whole = windows->document.view;
    const SampleStore& s = windows->document.result.samples;
    ASSERT_EQ(s.count(), 600);
    EXPECT_GT(s.time.back(), whole.t1);  // the sum of the steps lies past Max time

    // The whole run's file: every stored sample.
    w->save_view("all.csv");
    QFile all("all.csv");
    ASSERT_TRUE(all.open(QIODevice::ReadOnly));
    EXPECT_EQ(all.readAll().trimmed().split('\n').size(), 601);

    // Zoomed in (values, then time), then Ctrl+0: the view of the run again.
    QTest::keyClicks(w, "+a");
    EXPECT_LT(windows->document.view.t1, whole.t1);
    EXPECT_LT(windows->document.view.ymax, whole.ymax);
    QTest::keyClick(w, Qt::Key_0, Qt::ControlModifier);
    EXPECT_EQ(windows->document.view.t0, whole.t0);
    EXPECT_EQ(windows->document.view.t1, whole.t1);
    EXPECT_EQ(windows->document.view.ymin, whole.ymin);
    EXPECT_EQ(windows->document.view.ymax, whole.ymax);
}

}  // namespace
}  // namespace zelvar
