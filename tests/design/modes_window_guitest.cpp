// SPDX-License-Identifier: GPL-3.0-or-later
#include "design/modes_window.h"

#include <gtest/gtest.h>

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

#include <cmath>

#include "../app/gui_helpers_guitest.h"
#include "../app/scratch_dir.h"
#include "report/format.h"
#include "widgets/tnedit_widget.h"

namespace zelvar {
namespace {

class ModesWindow : public guitest::ProgramWindows {
protected:
    // "Modes..." pressed, and the table filled.
    TFmodes* open_explorer() {
        click_through_window(d->Bmodes);
        TFmodes* w = d->modes_window();
        if (w == nullptr) return nullptr;
        for (int i = 0; i < 500 && (w->busy() || w->table->rowCount() == 0); ++i) QTest::qWait(10);
        return w;
    }
    std::vector<long double> column(TFmodes* w, int c, bool visible_only = false) {
        std::vector<long double> values;
        for (int r = 0; r < w->table->rowCount(); ++r)
            if (!visible_only || !w->table->isRowHidden(r))
                values.push_back(w->table->item(r, c)->data(Qt::UserRole).toDouble());
        return values;
    }
};

TEST_F(ModesWindow, TableOfTheRealizableModesSortedFilteredAndChosen) {
    testdata::ScratchDir dir("zelvar-modes-window");
    TFmodes* w = open_explorer();
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->isVisible());
    const std::vector<ModeRow> expected = select_modes(explore_modes(DesignInputs{}, 21), 1e30L, false);
    ASSERT_EQ(w->table->rowCount(), static_cast<int>(expected.size()));
    EXPECT_EQ(w->table->horizontalHeaderItem(9)->text(), QString::fromUtf8("transfer (µs)"));
    // Sorted by k12 at first; the first row is the explorer's first.
    const std::vector<long double> k12 = column(w, 4);
    EXPECT_TRUE(std::is_sorted(k12.begin(), k12.end()));
    for (int c = 0; c < 4; ++c)
        EXPECT_EQ(w->table->item(0, c)->text().toStdString(), mode_cells(expected[0])[c]);
    EXPECT_EQ(w->table->item(0, 4)->text().toStdString(), mode_cells(expected[0])[4]);

    // A click on a column's head sorts by its numbers, not its text.
    w->table->horizontalHeader()->setSortIndicator(3, Qt::AscendingOrder);
    const std::vector<long double> n = column(w, 3);
    EXPECT_TRUE(std::is_sorted(n.begin(), n.end()));
    EXPECT_NE(n.front(), n.back());

    // The filter on the largest k12.
    retype(w->NEk12max, "0.3");
    QTest::keyClick(w->NEk12max, Qt::Key_Return);
    const std::vector<long double> shown = column(w, 4, true);
    const auto within = std::count_if(expected.begin(), expected.end(),
                                      [](const ModeRow& r) { return static_cast<double>(r.k12) <= 0.3; });
    EXPECT_EQ(static_cast<long>(shown.size()), static_cast<long>(within));
    for (const long double v : shown) EXPECT_LE(v, 0.3L);

    // A double-click puts the mode into the design window and designs it.
    w->table->sortItems(4, Qt::AscendingOrder);
    int row = -1;
    for (int r = 0; r < w->table->rowCount() && row < 0; ++r)
        if (!w->table->isRowHidden(r) && w->table->item(r, 0)->text() != "5") row = r;
    ASSERT_GE(row, 0);
    std::int32_t mode[4];
    for (int c = 0; c < 4; ++c) mode[c] = w->table->item(row, c)->text().toInt();
    w->table->scrollToItem(w->table->item(row, 0));
    const QRect cell = w->table->visualItemRect(w->table->item(row, 0));
    // (An item view acts on a double-click only on the item it was pressed on.)
    QTest::mousePress(w->table->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    QTest::mouseRelease(w->table->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    QTest::mouseDClick(w->table->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    EXPECT_EQ(d->NEk->panel_real(), mode[0]);
    EXPECT_EQ(d->NEl->panel_real(), mode[1]);
    EXPECT_EQ(d->NEm->panel_real(), mode[2]);
    EXPECT_EQ(d->NEn->panel_real(), mode[3]);
    EXPECT_EQ(d->NEk->text(), QString::number(mode[0]));
    const ModeRow chosen = design_mode(DesignInputs{}, mode[0], mode[1], mode[2], mode[3]);
    EXPECT_TRUE(report().contains(QString::fromStdString("k12: " + F(chosen.k12, 14, 9))));
    EXPECT_EQ(report().last(), "Values saved in file zelvar.val");
    EXPECT_TRUE(d->Bsimulate->isEnabled());
}

TEST_F(ModesWindow, CancelKeepsTheTableAndALaterRunReplacesIt) {
    TFmodes w;
    w.explore(DesignInputs{}, 8);
    for (int i = 0; i < 500 && (w.busy() || w.table->rowCount() == 0); ++i) QTest::qWait(10);
    const int rows = w.table->rowCount();
    ASSERT_GT(rows, 0);
    // Up to 200 (64 million designs): cancelled at once, the table kept.
    w.explore(DesignInputs{}, 200);
    EXPECT_TRUE(w.Bcancel->isEnabled());
    w.Bcancel->click();
    for (int i = 0; i < 500 && w.busy(); ++i) QTest::qWait(10);
    QTest::qWait(20);
    EXPECT_FALSE(w.Bcancel->isEnabled());
    EXPECT_EQ(w.table->rowCount(), rows);
    EXPECT_TRUE(w.status->text().startsWith("Cancelled after ")) << w.status->text().toStdString();
}

}  // namespace
}  // namespace zelvar
