// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/response_window.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>

#include <cmath>

#include "../app/gui_helpers_guitest.h"
#include "../app/scratch_dir.h"
#include "design/mode_explorer.h"
#include "report/format.h"
#include "widgets/tnedit_widget.h"

namespace zelvar {
namespace {

using ResponseWindow = guitest::ProgramWindows;

TEST_F(ResponseWindow, CurveMarkersAndReadoutOfTheDesignedCircuit) {
    testdata::ScratchDir dir("zelvar-response-window");
    d->BdesignClick();
    p->NERL->set_panel_real(1e30L);
    ASSERT_TRUE(activate(p));
    click_through_window(p->Bresponse);
    TFresponse* w = p->response_window();
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->isVisible());
    const ModeRow row = design_mode(DesignInputs{}, 5, 7, 9, 11);
    ASSERT_EQ(w->plot->curve().size(), 2000u);
    ASSERT_EQ(w->plot->resonances().size(), 3u);
    const std::vector<std::size_t> peaks = v3_maxima(w->plot->curve());
    ASSERT_EQ(peaks.size(), 3u);
    for (int j = 0; j < 3; ++j) {
        EXPECT_LT(std::fabs(w->plot->resonances()[j].f / row.f[j] - 1), 1e-9L);
        EXPECT_LE(w->plot->curve()[peaks[j] - 1].f, row.f[j]);
        EXPECT_GE(w->plot->curve()[peaks[j] + 1].f, row.f[j]);
    }
    EXPECT_TRUE(w->readout->text().startsWith("Resonances without losses: f1 = 177497.")) << w->readout->text().toStdString();

    // The mouse over the second resonance: the cursor on the nearest point,
    // whose values the readout shows.
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
    const double x = w->plot->x_of(row.f[1]);
    QMouseEvent move(QEvent::MouseMove, QPointF(x, 100), w->plot->mapToGlobal(QPointF(x, 100)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w->plot, &move);
    const int index = w->plot->cursor();
    ASSERT_GE(index, 0);
    EXPECT_LT(std::fabs(std::log(static_cast<double>(w->plot->curve()[index].f / row.f[1]))),
              std::log(static_cast<double>(w->plot->curve()[1].f / w->plot->curve()[0].f)) * 0.501);
    EXPECT_EQ(w->readout->text(), w->readout_text(index));
    const ResponsePoint& at = w->plot->curve()[index];
    EXPECT_EQ(w->readout->text(), QString::fromUtf8("f = %1 Hz   |V3/Vin| = %2 dB   |Zin| = %3 Ω   phase = %4°")
                                      .arg(QString::fromStdString(F(at.f, 1, 3)))
                                      .arg(QString::fromStdString(F(at.v3_db, 1, 3)))
                                      .arg(QString::fromStdString(E(at.zin_ohm, 16)).trimmed())
                                      .arg(QString::fromStdString(F(at.zin_deg, 1, 2))));
    // Leaving the plot takes the cursor away.
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(w->plot, &leave);
    EXPECT_EQ(w->plot->cursor(), -1);
    EXPECT_EQ(w->readout->text(), "");
}

TEST_F(ResponseWindow, ACircuitWithoutValuesShowsTheErrorBox) {
    BoxCatcher boxes;
    ASSERT_TRUE(activate(p));
    click_through_window(p->Bresponse);
    ASSERT_TRUE(boxes.wait_for(1));
    boxes.expect_error_box(0, "Invalid floating point operation.");
    EXPECT_TRUE(p->response_window() == nullptr || !p->response_window()->isVisible());
}

}  // namespace
}  // namespace zelvar
