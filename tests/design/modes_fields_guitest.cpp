// SPDX-License-Identifier: GPL-3.0-or-later
// The mode explorer takes the design window's fields as they stand, designs
// a chosen row with the inputs its table was built from, states its filter
// and fits its columns.
#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

#include "../app/gui_helpers_guitest.h"
#include "../app/scratch_dir.h"
#include "design/modes_window.h"
#include "report/format.h"
#include "widgets/tnedit_widget.h"

namespace zelvar {
namespace {

using ModesFields = guitest::ProgramWindows;

bool wait_for_table(TFmodes* w) {
    for (int i = 0; i < 1000 && (w->busy() || w->table->rowCount() == 0); ++i) QTest::qWait(10);
    return !w->busy() && w->table->rowCount() > 0;
}

TEST_F(ModesFields, ExplorerReadsTheFieldsAsTheyStandAndDesignsARowWithItsOwnInputs) {
    testdata::ScratchDir dir("zelvar-modes-fields");
    ASSERT_TRUE(activate(d));
    retype(d->NEC3, "2E-11");  // typed, not left
    d->Bmodes->click();        // as Alt+M does: the focus stays in C3
    TFmodes* w = d->modes_window();
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(wait_for_table(w));
    EXPECT_EQ(w->table_inputs().C3, 2e-11L);
    DesignInputs in;
    in.C3 = 2e-11L;
    std::int32_t mode[4];
    for (int c = 0; c < 4; ++c) mode[c] = w->table->item(0, c)->text().toInt();
    const ModeRow first = design_mode(in, mode[0], mode[1], mode[2], mode[3]);
    EXPECT_EQ(w->table->item(0, 4)->text().toStdString(), mode_cells(first)[4]);

    // The field changed since: a double-click designs the row as listed,
    // writing its inputs into the fields first.
    d->NEC3->set_panel_real(3e-11L);
    const QRect cell = w->table->visualItemRect(w->table->item(0, 0));
    QTest::mousePress(w->table->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    QTest::mouseRelease(w->table->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    QTest::mouseDClick(w->table->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    EXPECT_EQ(d->NEC3->panel_real(), 2e-11L);
    EXPECT_EQ(d->NEk->panel_real(), mode[0]);
    EXPECT_TRUE(report().contains(QString::fromStdString("k12: " + F(first.k12, 14, 9))));

    // A refused field: the error box, and no exploration.
    BoxCatcher boxes;
    ASSERT_TRUE(activate(d));
    retype(d->NEC1, "abc");
    d->Bmodes->click();
    ASSERT_TRUE(boxes.wait_for(1));
    boxes.expect_error_box(0, "abc is not a valid number.");
    EXPECT_FALSE(w->busy());
    EXPECT_EQ(w->table_inputs().C3, 2e-11L);
}

TEST_F(ModesFields, FilterAppliesWhenLeftStatusNamesItColumnsFitAndEscapeCancels) {
    TFmodes w;
    w.show();
    ASSERT_TRUE(activate(&w));
    w.explore(DesignInputs{}, 11);
    ASSERT_TRUE(wait_for_table(&w));
    retype(w.NEk12max, "0.3");
    QTest::keyClick(w.NEk12max, Qt::Key_Tab);  // left, not Return
    EXPECT_EQ(w.k12_limit(), 0.3L);
    EXPECT_TRUE(w.status->text().contains("k12 up to 0.3")) << w.status->text().toStdString();
    for (int r = 0; r < w.table->rowCount(); ++r) {
        if (!w.table->isRowHidden(r)) {
            EXPECT_LE(w.table->item(r, 4)->data(Qt::UserRole).toDouble(), 0.3);
        }
    }

    // After a sort every cell fits its column, the rows out of view too.
    w.table->horizontalHeader()->setSortIndicator(13, Qt::DescendingOrder);
    QTest::qWait(20);
    const QFontMetrics fm(w.table->font());
    for (int c = 0; c < w.table->columnCount(); ++c) {
        for (int r = 0; r < w.table->rowCount(); ++r) {
            if (!w.table->isRowHidden(r)) {
                ASSERT_GE(w.table->columnWidth(c), fm.horizontalAdvance(w.table->item(r, c)->text())) << r << " " << c;
            }
        }
    }

    // Escape closes the window and cancels a run.
    w.explore(DesignInputs{}, 200);
    EXPECT_TRUE(w.status->text().contains("k12 up to 0.3"));
    QTest::keyClick(&w, Qt::Key_Escape);
    EXPECT_FALSE(w.isVisible());
    for (int i = 0; i < 500 && w.busy(); ++i) QTest::qWait(10);
    QTest::qWait(20);
    EXPECT_FALSE(w.busy());
    EXPECT_TRUE(w.status->text().startsWith("Cancelled after ")) << w.status->text().toStdString();
}

}  // namespace
}  // namespace zelvar
