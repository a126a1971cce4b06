// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/application_window.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTest>
#include <memory>
#include <vector>

#include "design/design_window.h"
#include "gui_helpers_guitest.h"
#include "scratch_dir.h"
#include "idealmag/idealmag_window.h"
#include "plot/wave_window.h"
#include "sim/param_window.h"
#include "widgets/radio_group_widget.h"
#include "widgets/tnedit_widget.h"

namespace zelvar {
namespace {

using Startup = guitest::ProgramWindows;

// The help text as the report log starts with it, line by line.
const char* const kHelp = R"(Triple resonance Tesla coil designer

This program designs a "Tesla magnifier" that operates with
zero-state response, or a "Triple resonance solid-state
Tesla coil", ZELVAR.

    +v1-  k12         -i3+
 +---C1--+   +------+--L3--+
+|     + |   | +    |  +   |  +
vin   i1 L1 L2 i2   C2 v2  C3 v3
-|     - |   | -    |  -   |  -
 +-------+   +------+------+

Vin is a sinusoidal voltage source that pumps energy to
the circuit. At a certain instant that depends on the
mode k:l:m:n chosen, all the energy becomes concentrated
in C3. For proper operation, k, l, m, and n shall be
sucessive odd integers, with differences that are doubled
odd integers (as 1:3:5:7 or 11:13:19:21).
The output voltage is composed of four sinusoidal
components at frequencies in the ratio k:l:m:n. One of
them comes from the input, and the other three from the
natural frequencies of the network. Realizable solutions
with complete energy transfer exist for excitation at m*w0
and n*w0, where w0 is the common divider of the four
frequencies.
Realizations with excitation at l*w0 are possible if some
energy is left on C1 or C2 at the end of the energy transfer.
Two factors must be specified that control the design, that
must be between the limits listed when the design is
attempted. The effects can be accumulated, with energy left
in C1 and C2.

The dedicated simulator includes a load circuit that is
a series RC combination. The driver can be interrupted
after a prescribed time and left in three possible
conditions.
In the "open" cases, the input voltage source is replaced
by a resistance Ropen. Too large values for Ropen can
result in numerical instability in the simulation.

Primary current feedback forces vin to follow the direction
of the primary current (usually not the correct operation
for a zelvar).

The simulator can simulate a spark-gap Tesla magnifier,
with Vin set to 0 and VC1(0) used. The effect of gap
quenching can be simulated by opening the driver at the
end of the energy transfer time.
)";

// The widgets of `window` in tab order, starting at `first`, keeping only
// those listed in `among`.
std::vector<QWidget*> tab_chain(QWidget* first, const std::vector<QWidget*>& among) {
    std::vector<QWidget*> chain;
    QWidget* w = first;
    do {
        if (std::find(among.begin(), among.end(), w) != among.end()) chain.push_back(w);
        w = w->nextInFocusChain();
    } while (w != first && chain.size() <= among.size());
    return chain;
}

TEST_F(Startup, OnlyTheDesignWindowIsShownWithSimulateDisabled) {
    EXPECT_EQ(QCoreApplication::applicationName(), "ZELVAR Designer");
    TFdesign* d = windows->Fdesign;
    EXPECT_TRUE(d->isVisible());
    EXPECT_FALSE(windows->Fwave->isVisible());
    EXPECT_FALSE(windows->Fparam->isVisible());
    EXPECT_FALSE(windows->Fidealmag->isVisible());
    EXPECT_FALSE(d->Bsimulate->isEnabled());
    EXPECT_TRUE(d->Button1->isEnabled());
    EXPECT_TRUE(d->Bdesign->isEnabled());

    EXPECT_EQ(d->windowTitle(), "Triple resonance network designer");
    EXPECT_EQ(windows->Fwave->windowTitle(), "Waveforms");
    EXPECT_EQ(windows->Fparam->windowTitle(), "Simulation parameters");
    EXPECT_EQ(windows->Fidealmag->windowTitle(), "Ideal Magnifier Design");

    // The client area holds the controls; the menu bar stands above it.
    EXPECT_EQ(d->client->size(), QSize(695, 647));
    EXPECT_EQ(d->size(), QSize(695, 647 + d->menu_bar->height()));
    EXPECT_EQ(windows->Fwave->size(), QSize(632, 476));
    EXPECT_EQ(windows->Fparam->size(), QSize(544, 372));
    EXPECT_EQ(windows->Fidealmag->size(), QSize(345, 166));
    EXPECT_EQ(d->pos(), QPoint(1005, 287));
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(windows->Fidealmag->pos(),
              QPoint(screen.left() + (screen.width() - 361) / 2, screen.top() + (screen.height() - 204) / 2));

    EXPECT_EQ(d->font().family(), "MS Sans Serif");
    EXPECT_EQ(d->font().pointSize(), 8);
    EXPECT_EQ(windows->Fidealmag->font().family(), "MS Sans Serif");
}

TEST_F(Startup, DesignWindowControlsDefaultsAndTabOrder) {
    TFdesign* d = windows->Fdesign;
    struct Field {
        TNEdit* field;
        QRect place;
        const char* text;
        long double value;
    };
    const std::vector<Field> fields = {
        {d->NEk, {32, 16, 121, 21}, "5", 5},           {d->NEl, {32, 40, 121, 21}, "7", 7},
        {d->NEm, {32, 64, 121, 21}, "9", 9},           {d->NEn, {32, 88, 121, 21}, "11", 11},
        {d->NEC1, {32, 112, 121, 21}, "5E-9", 5e-9L},  {d->NEC3, {32, 136, 121, 21}, "1E-11", 1e-11L},
        {d->NEL3, {32, 160, 121, 21}, "0.03", 0.03L},  {d->NEg1, {56, 344, 105, 21}, "-0.9", -0.9L},
        {d->NEg2, {56, 392, 105, 21}, "0.03", 0.03L},
    };
    for (const Field& f : fields) {
        SCOPED_TRACE(f.field->objectName().toStdString());
        EXPECT_EQ(f.field->geometry(), f.place);
        EXPECT_EQ(f.field->text(), f.text);
        EXPECT_EQ(f.field->panel_real(), f.value);
        EXPECT_EQ(f.field->field_type(), tipo_campo::real_field);
    }
    struct Caption {
        QLabel* label;
        QPoint at;
        const char* text;
    };
    const std::vector<Caption> labels = {
        {d->Label1, {8, 16}, "k"},   {d->Label2, {8, 40}, "l"},   {d->Label3, {8, 64}, "m"},
        {d->Label4, {8, 88}, "n"},   {d->Label5, {8, 112}, "C1"}, {d->Label6, {8, 136}, "C3"},
        {d->Label7, {8, 160}, "L3"}, {d->Label8, {16, 312}, "For excitation at l*w0:"},
        {d->Label9, {16, 352}, "Factor:"}, {d->Label10, {16, 400}, "Factor:"},
    };
    for (const Caption& c : labels) {
        EXPECT_EQ(c.label->pos(), c.at) << c.text;
        EXPECT_EQ(c.label->text(), c.text);
    }
    // A caption that fits: the label does not run into its field.
    EXPECT_LE(d->Label8->geometry().right(), d->Bevel1->geometry().right());
    EXPECT_LE(d->Label9->geometry().right(), d->NEg1->geometry().left());

    EXPECT_EQ(d->RGexcitation->geometry(), QRect(8, 192, 161, 105));
    EXPECT_EQ(d->RGexcitation->title(), "Excitation");
    ASSERT_EQ(d->RGexcitation->count(), 4);
    EXPECT_EQ(d->RGexcitation->item(0)->text(), "k*w0 (irrealizable)");
    EXPECT_EQ(d->RGexcitation->item(1)->text(), "l*w0 (incomplete transfer)");
    EXPECT_EQ(d->RGexcitation->item(2)->text(), "m*w0");
    EXPECT_EQ(d->RGexcitation->item(3)->text(), "n*w0");
    EXPECT_EQ(d->RGexcitation->item_index(), 2);
    EXPECT_EQ(d->Bevel1->geometry(), QRect(8, 304, 161, 121));

    EXPECT_EQ(d->CBC1->geometry(), QRect(16, 328, 137, 17));
    EXPECT_EQ(d->CBC1->text(), "Leave energy in C1");
    EXPECT_FALSE(d->CBC1->isChecked());
    EXPECT_EQ(d->CBC2->geometry(), QRect(16, 376, 145, 17));
    EXPECT_EQ(d->CBC2->text(), "Leave energy in C2");
    EXPECT_FALSE(d->CBC2->isChecked());

    EXPECT_EQ(d->Bdesign->geometry(), QRect(8, 432, 121, 25));
    EXPECT_EQ(d->Bdesign->text(), "Design \"ZELVAR\"");
    EXPECT_EQ(d->Button1->geometry(), QRect(8, 464, 121, 25));
    EXPECT_EQ(d->Button1->text(), "Spark gap magnifier");
    EXPECT_EQ(d->Bsimulate->geometry(), QRect(8, 496, 75, 25));
    EXPECT_EQ(d->Bsimulate->text(), "Simulate");

    EXPECT_EQ(d->Memo1->geometry(), QRect(176, 16, 513, 617));
    EXPECT_FALSE(d->Memo1->isReadOnly());
    EXPECT_TRUE(QFontInfo(d->Memo1->font()).fixedPitch());
    EXPECT_EQ(d->Memo1->font().family(), "Courier New");
    EXPECT_EQ(d->Memo1->font().pointSize(), 8);

    auto* rg = d->RGexcitation;
    const std::vector<QWidget*> order = {d->NEk,  d->NEl,  d->NEm,       d->NEn,       d->NEC1,      d->NEC3,
                                         d->NEL3, d->Bdesign, d->Memo1,  rg->item(0), rg->item(1), rg->item(2),
                                         rg->item(3), d->Bsimulate, d->Button1, d->NEg1, d->NEg2, d->CBC1,
                                         d->CBC2};
    EXPECT_EQ(tab_chain(d->NEk, order), order);
    // The window opens with the focus in the first field of the tab order.
    EXPECT_EQ(d->focusWidget(), d->NEk);
}

// Walks the window by Tab from `order[0]` and back by Shift+Tab: each key
// moves the focus to the next (previous) control, round the window.
void expect_tab_walk(const std::vector<QWidget*>& order) {
    order[0]->setFocus(Qt::OtherFocusReason);
    ASSERT_EQ(QApplication::focusWidget(), order[0]);
    for (std::size_t i = 1; i <= order.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), order[i % order.size()]) << "Tab " << i;
    }
    for (std::size_t i = order.size(); i-- > 0;) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        EXPECT_EQ(QApplication::focusWidget(), order[i]) << "Shift+Tab " << i;
    }
}

TEST_F(Startup, TabWalksTheWindowsInTheirOrderAndEntersTheRadioGroupAtItsSelection) {
    TFdesign* d = windows->Fdesign;
    ASSERT_TRUE(activate(d));
    BoxCatcher boxes;
    // "Simulate" disabled: Tab passes it by.
    auto* rg = d->RGexcitation;
    expect_tab_walk({d->NEk, d->NEl, d->NEm, d->NEn, d->NEC1, d->NEC3, d->NEL3, d->Bdesign, d->Memo1, rg->item(2),
                     d->Button1, d->NEg1, d->NEg2, d->CBC1, d->CBC2});
    d->Bsimulate->setEnabled(true);
    rg->item(3)->setChecked(true);
    expect_tab_walk({d->NEk, d->NEl, d->NEm, d->NEn, d->NEC1, d->NEC3, d->NEL3, d->Bdesign, d->Memo1, rg->item(3),
                     d->Bsimulate, d->Button1, d->NEg1, d->NEg2, d->CBC1, d->CBC2});
    // The arrow keys move within the group and select.
    rg->item(3)->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(rg->item(3), Qt::Key_Up);
    EXPECT_EQ(QApplication::focusWidget(), rg->item(2));
    EXPECT_EQ(rg->item_index(), 2);

    TFidealmag* m = windows->Fidealmag;
    ASSERT_TRUE(activate(m));
    expect_tab_walk({m->Bapply, m->CBupdate, m->NEk, m->NEl, m->NEm, m->NEC1, m->NEL3, m->NEC3, m->NEVC1});
    boxes.settle();
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(Startup, ReportLogStartsWithTheFiftyHelpLines) {
    TFdesign* d = windows->Fdesign;
    const QStringList expected = QString::fromUtf8(kHelp).split('\n');
    ASSERT_EQ(expected.size(), 50);
    EXPECT_EQ(design_help_lines(), expected);
    EXPECT_EQ(d->Memo1->document()->blockCount(), 50);
    EXPECT_EQ(d->Memo1->toPlainText().split('\n'), expected);
}

TEST_F(Startup, IdealMagnifierWindowControlsDefaultsAndTabOrder) {
    TFidealmag* m = windows->Fidealmag;
    struct Field {
        TNEdit* field;
        QPoint at;
        const char* text;
        tipo_campo kind;
        long double real_value;
        std::int32_t int_value;
    };
    const std::vector<Field> fields = {
        {m->NEk, {40, 32}, "1", tipo_campo::int_field, 0, 1},
        {m->NEl, {40, 56}, "2", tipo_campo::int_field, 0, 2},
        {m->NEm, {40, 80}, "3", tipo_campo::int_field, 0, 3},
        {m->NEC1, {200, 32}, "5E-9", tipo_campo::real_field, 5e-9L, 0},
        {m->NEL3, {200, 56}, "0.0282", tipo_campo::real_field, 0.0282L, 0},
        {m->NEC3, {200, 80}, "1.5E-11", tipo_campo::real_field, 1.5e-11L, 0},
        {m->NEVC1, {200, 104}, "5000", tipo_campo::real_field, 5000, 0},
    };
    for (const Field& f : fields) {
        SCOPED_TRACE(f.field->objectName().toStdString());
        EXPECT_EQ(f.field->geometry(), QRect(f.at, QSize(121, 21)));
        EXPECT_EQ(f.field->text(), f.text);
        EXPECT_EQ(f.field->field_type(), f.kind);
        EXPECT_EQ(f.field->panel_real(), f.real_value);
        EXPECT_EQ(f.field->panel_int(), f.int_value);
    }
    EXPECT_EQ(m->Bapply->geometry(), QRect(16, 112, 75, 25));
    EXPECT_EQ(m->Bapply->text(), "Apply");
    EXPECT_EQ(m->CBupdate->geometry(), QRect(16, 144, 105, 17));
    EXPECT_EQ(m->CBupdate->text(), "Update elements");
    EXPECT_TRUE(m->CBupdate->isChecked());

    struct Caption {
        QPoint at;
        const char* text;
        bool bold_italic;
    };
    const std::vector<Caption> captions = {
        {{16, 8}, "Mode:", false}, {{176, 8}, "Elements:", false}, {{16, 40}, "k", true},
        {{16, 64}, "l", true},     {{16, 88}, "m", true},          {{176, 40}, "C1", false},
        {{176, 64}, "L3", false},  {{176, 88}, "C3", false},       {{160, 112}, "-VC1(0)", false},
    };
    const auto labels = m->findChildren<QLabel*>();
    for (const Caption& c : captions) {
        auto found = std::find_if(labels.begin(), labels.end(), [&](QLabel* l) { return l->text() == c.text; });
        ASSERT_NE(found, labels.end()) << c.text;
        EXPECT_EQ((*found)->pos(), c.at) << c.text;
        EXPECT_EQ((*found)->font().bold() && (*found)->font().italic(), c.bold_italic) << c.text;
    }
    // "-VC1(0)" stands left of its field without running into it.
    auto vc1 = std::find_if(labels.begin(), labels.end(), [](QLabel* l) { return l->text() == "-VC1(0)"; });
    EXPECT_LT((*vc1)->geometry().right(), m->NEVC1->geometry().left());

    const std::vector<QWidget*> order = {m->Bapply, m->CBupdate, m->NEk,  m->NEl,  m->NEm,
                                         m->NEC1,   m->NEL3,     m->NEC3, m->NEVC1};
    EXPECT_EQ(tab_chain(m->Bapply, order), order);
}

TEST_F(Startup, NavigationShowsTheWindowsAndSimulateMarksTheStore) {
    TFdesign* d = windows->Fdesign;
    ASSERT_TRUE(activate(d));
    click_through_window(d->Button1);
    EXPECT_TRUE(windows->Fidealmag->isVisible());
    EXPECT_TRUE(QTest::qWaitForWindowActive(windows->Fidealmag));

    // "Simulate", once enabled, marks the store and shows the parameter
    // window; pressed again while it is open, it still marks the store.
    d->Bsimulate->setEnabled(true);
    windows->document.dirty = false;
    ASSERT_TRUE(activate(d));
    click_through_window(d->Bsimulate);
    EXPECT_TRUE(windows->document.dirty);
    EXPECT_TRUE(windows->Fparam->isVisible());
    EXPECT_TRUE(QTest::qWaitForWindowActive(windows->Fparam));
    windows->document.dirty = false;
    ASSERT_TRUE(activate(d));
    click_through_window(d->Bsimulate);
    EXPECT_TRUE(windows->document.dirty);
    EXPECT_TRUE(QTest::qWaitForWindowActive(windows->Fparam));
}

TEST_F(Startup, TheKeyboardPressesTheFocusedButtonWithSpaceOrEnter) {
    ASSERT_TRUE(activate(d));
    BoxCatcher boxes;
    // Tab from the last field onto 'Design "ZELVAR"', then Enter; in the
    // magnifier window Space on "Apply" (the first control).
    d->NEL3->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(d->NEL3, Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), d->Bdesign);
    {
        testdata::ScratchDir scratch("zelvar-gui");
        QTest::keyClick(d->Bdesign, Qt::Key_Return);
    }
    EXPECT_EQ(report().size(), 39);  // one design
    EXPECT_EQ(report().back(), "Values saved in file zelvar.val");
    EXPECT_TRUE(d->Bsimulate->isEnabled());
    d->Button1->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(d->Button1, Qt::Key_Enter);
    ASSERT_TRUE(m->isVisible());
    ASSERT_TRUE(activate(m));
    ASSERT_EQ(QApplication::focusWidget(), m->Bapply);
    QTest::keyClick(m->Bapply, Qt::Key_Space);
    EXPECT_EQ(report().size(), 39 + 12);
    EXPECT_EQ(report().back(), "Energy transfer time:     4.0864863448 " + QString(QChar(0xB5)) + "s ( 1.0 cycles)");
    EXPECT_FALSE(m->isVisible());
    ASSERT_TRUE(activate(d));
    d->Bsimulate->setFocus(Qt::OtherFocusReason);
    windows->document.dirty = false;
    QTest::keyClick(d->Bsimulate, Qt::Key_Return);
    EXPECT_TRUE(windows->document.dirty);
    EXPECT_TRUE(p->isVisible());
    boxes.settle();
    EXPECT_TRUE(boxes.boxes.empty());
    // The offscreen platform presses any button on Enter; the desktop ones
    // only a button that presses itself on Enter.
    for (QPushButton* b : {d->Bdesign, d->Button1, d->Bsimulate, m->Bapply}) EXPECT_TRUE(b->autoDefault());
}

TEST_F(Startup, ClosingAnotherWindowHidesItAndShowingItAgainKeepsItsContents) {
    TFdesign* d = windows->Fdesign;
    TFidealmag* m = windows->Fidealmag;
    ASSERT_TRUE(activate(d));
    click_through_window(d->Button1);
    ASSERT_TRUE(activate(m));
    BoxCatcher boxes;
    retype(m->NEC1, "7E-9");
    retype(m->NEk, "$5");
    m->CBupdate->setChecked(false);
    QTest::keyClick(m->NEk, Qt::Key_Tab);
    EXPECT_EQ(m->NEk->panel_int(), 5);
    EXPECT_EQ(m->NEC1->panel_real(), 7e-9L);

    EXPECT_TRUE(m->close());
    EXPECT_FALSE(m->isVisible());
    EXPECT_TRUE(d->isVisible());
    ASSERT_TRUE(activate(d));
    click_through_window(d->Button1);
    EXPECT_TRUE(m->isVisible());
    EXPECT_EQ(m->NEC1->text(), "7E-9");
    EXPECT_EQ(m->NEk->text(), "$5");
    EXPECT_EQ(m->NEk->panel_int(), 5);
    EXPECT_FALSE(m->CBupdate->isChecked());

    d->Bsimulate->setEnabled(true);
    click_through_window(d->Bsimulate);
    ASSERT_TRUE(activate(windows->Fparam));
    retype(windows->Fparam->NER1, "12.5");
    QTest::keyClick(windows->Fparam->NER1, Qt::Key_Tab);
    EXPECT_TRUE(windows->Fparam->close());
    EXPECT_FALSE(windows->Fparam->isVisible());
    EXPECT_TRUE(d->isVisible());
    click_through_window(d->Bsimulate);
    EXPECT_TRUE(windows->Fparam->isVisible());
    EXPECT_EQ(windows->Fparam->NER1->text(), "12.5");
    EXPECT_EQ(windows->Fparam->NER1->panel_real(), 12.5L);
    boxes.settle();
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(Startup, ClosingTheDesignWindowEndsTheProgramWhileOthersAreOpen) {
    TFdesign* d = windows->Fdesign;
    ASSERT_TRUE(activate(d));
    click_through_window(d->Button1);
    d->Bsimulate->setEnabled(true);
    click_through_window(d->Bsimulate);
    ASSERT_TRUE(windows->Fidealmag->isVisible());
    ASSERT_TRUE(windows->Fparam->isVisible());
    // Any other open window, even one that would keep a toolkit program
    // alive by itself.
    QWidget other;
    other.setAttribute(Qt::WA_QuitOnClose, true);
    other.show();

    // The event loop runs until the design window is closed; a guard ends
    // it with another status if closing does not.
    QTimer::singleShot(0, d, [d] { d->close(); });
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(7); });
    guard.start(3000);
    EXPECT_EQ(QApplication::exec(), 0);
    guard.stop();
}

}  // namespace
}  // namespace zelvar

// Where no face of the laid-out width is installed, the machine's sans serif
// is taken smaller, just enough for the widest caption; a laid-out face keeps 8 pt.
TEST(WindowFont, AWideFaceIsFittedAndALaidOutFaceKeepsItsSize) {
    EXPECT_EQ(zelvar::fitted_point_size(QFont(QStringLiteral("DejaVu Sans Condensed"), 8)), 8);
    const QFont wide(QStringLiteral("DejaVu Sans"), 8);
    ASSERT_EQ(QFontInfo(wide).family(), QStringLiteral("DejaVu Sans"));
    const qreal size = zelvar::fitted_point_size(wide);
    EXPECT_LT(size, 8);
    EXPECT_GE(size, 6);
    QFont fitted = wide;
    fitted.setPointSizeF(size);
    QFont condensed(QStringLiteral("DejaVu Sans Condensed"));
    condensed.setPointSizeF(8);
    const QString caption = QStringLiteral("l*w0 (incomplete transfer)");
    EXPECT_LE(QFontMetricsF(fitted).horizontalAdvance(caption),
              QFontMetricsF(condensed).horizontalAdvance(caption) + 1);
}
