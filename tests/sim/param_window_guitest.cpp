// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/param_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <memory>
#include <string>
#include <vector>

#include "plot/wave_window.h"
#include "report/report_log.h"
#include "sim/channels.h"
#include "sim/param_table.h"
#include "widgets/radio_group_widget.h"
#include "widgets/tnedit_widget.h"

namespace zelvar {
namespace {

enum class Kind { Real, Int, Radio, Check, Button };

// One control as the window describes it.
struct Row {
    const char* name;
    Kind kind;
    const char* caption;  // label, own caption or group title; nullptr: none
    int caption_left;     // left of the label (fields only)
    int left, top, width, height;
    int tab;
    const char* text;  // the field's text at start
    long double real_value;
    std::int32_t int_value;
    bool marked;  // leaving it sets the dirty flag
};

const std::vector<Row> kRows = {
    {"NEC1", Kind::Real, "C1", 16, 47, 8, 121, 21, 0, "0", 0, 0, true},
    {"NEL1", Kind::Real, "L1", 16, 47, 32, 121, 21, 1, "0", 0, 0, true},
    {"NER1", Kind::Real, "R1", 16, 47, 56, 121, 21, 2, "0", 0, 0, true},
    {"NEC2", Kind::Real, "C2", 16, 47, 80, 121, 21, 3, "0", 0, 0, true},
    {"NEL2", Kind::Real, "L2", 16, 47, 104, 121, 21, 4, "0", 0, 0, true},
    {"NER2", Kind::Real, "R2", 16, 47, 128, 121, 21, 5, "0", 0, 0, true},
    {"NEC3", Kind::Real, "C3", 16, 47, 152, 121, 21, 6, "0", 0, 0, true},
    {"NEL3", Kind::Real, "L3", 16, 47, 176, 121, 21, 7, "0", 0, 0, true},
    {"NER3", Kind::Real, "R3", 16, 47, 200, 121, 21, 8, "0", 0, 0, true},
    {"NEk12", Kind::Real, "K12", 16, 47, 224, 121, 21, 20, "0", 0, 0, true},
    {"NECL", Kind::Real, "C load", 184, 239, 8, 121, 21, 10, "1E-14", 1e-14L, 0, true},
    {"NERL", Kind::Real, "R load", 184, 239, 32, 121, 21, 9, "220000", 220000, 0, true},
    {"NEfin", Kind::Real, "Fin (Hz)", 184, 239, 56, 121, 21, 11, "300000", 300000, 0, true},
    {"NEtmax", Kind::Real, "Max time", 184, 239, 80, 121, 21, 12, "1.5E-5", 1.5e-5L, 0, true},
    {"NEstop", Kind::Real, "Stop time", 184, 239, 104, 121, 21, 34, "10", 10, 0, true},
    {"RGstop", Kind::Radio, "After stopping driver", 0, 184, 128, 177, 89, 35, nullptr, 0, 0, true},
    {"NEopen", Kind::Real, "Ropen", 184, 239, 224, 121, 21, 36, "10000", 10000, 0, true},
    {"NEvin", Kind::Real, "Vin (V)", 184, 239, 248, 121, 21, 21, "200", 200, 0, true},
    {"CBsquare", Kind::Check, "Square vin", 0, 240, 272, 97, 17, 31, nullptr, 0, 0, true},
    {"CBfb", Kind::Check, "Use primary current feedback after t=", 0, 240, 288, 201, 17, 33, nullptr, 0, 0,
     true},
    {"NEstart", Kind::Real, nullptr, 0, 448, 288, 80, 21, 37, "1E-6", 1e-6L, 0, true},
    {"NEVC10", Kind::Real, "VC1(0) (V)", 184, 239, 312, 121, 21, 22, "0", 0, 0, true},
    {"NEvmax", Kind::Real, "Vmax", 184, 239, 336, 121, 21, 14, "200000", 200000, 0, false},
    {"NEmvin", Kind::Real, "vin", 376, 414, 40, 121, 21, 15, "1", 1, 0, false},
    {"NEv1", Kind::Real, "v1", 376, 414, 64, 121, 21, 24, "1", 1, 0, false},
    {"NEv2", Kind::Real, "v2", 376, 414, 88, 121, 21, 25, "1", 1, 0, false},
    {"NEv3", Kind::Real, "v3", 376, 414, 112, 121, 21, 26, "1", 1, 0, false},
    {"NEv4", Kind::Real, "vl", 376, 414, 136, 121, 21, 27, "1", 1, 0, false},
    {"NEi1", Kind::Real, "i1", 376, 414, 160, 121, 21, 28, "1", 1, 0, false},
    {"NEi2", Kind::Real, "i2", 376, 414, 184, 121, 21, 29, "1", 1, 0, false},
    {"NEi3", Kind::Real, "i3", 376, 414, 208, 121, 21, 30, "1", 1, 0, false},
    {"NEpontos", Kind::Int, "Points", 376, 447, 240, 42, 21, 13, "600", 0, 600, true},
    {"NEsteps", Kind::Int, "Internal steps", 376, 447, 264, 42, 21, 17, "10", 0, 10, true},
    {"CBuse", Kind::Check, "Use Vmax", 0, 416, 320, 81, 17, 23, nullptr, 0, 0, false},
    {"CBmaxima", Kind::Check, "Find maxima", 0, 416, 336, 97, 17, 32, nullptr, 0, 0, false},
    {"Bsaveref", Kind::Button, "Save Ref.", 0, 8, 256, 81, 25, 18, nullptr, 0, 0, false},
    {"Bdelref", Kind::Button, "Delete Ref.", 0, 96, 256, 81, 25, 16, nullptr, 0, 0, false},
    {"Breplot", Kind::Button, "Plot", 0, 8, 288, 81, 25, 19, nullptr, 0, 0, false},
};

class ParamWindow : public ::testing::Test {
protected:
    void SetUp() override {
        state = std::make_unique<SimDocument>();
        window = std::make_unique<TFparam>(*state);
        window->show();
        activate(window.get());
    }
    void TearDown() override {
        // Leave no refused text behind a field that still has the focus.
        for (TNEdit* field : window->findChildren<TNEdit*>()) field->set_field_type(field->field_type());
        window->hide();
    }

    template <class T = QWidget>
    T* control(const char* name) const {
        return window->findChild<T*>(name);
    }
    // The widget that takes the focus for a control (the radio group: its
    // selected item).
    QWidget* focus_target(const Row& row) const {
        if (row.kind == Kind::Radio) return window->RGstop->item(window->RGstop->item_index());
        return control(row.name);
    }
    void focus(QWidget* w) {
        w->setFocus(Qt::OtherFocusReason);
        ASSERT_EQ(QApplication::focusWidget(), w);
    }
    // Focus on the field and type text over its contents (the field is not left).
    void type_over(TNEdit* field, const char* text) {
        focus(field);
        field->selectAll();
        QTest::keyClicks(field, text);
    }
    static void activate(QWidget* w) {
        w->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(w));
    }

    std::unique_ptr<SimDocument> state;
    std::unique_ptr<TFparam> window;
};

// Answers the next modal box with OK and keeps its caption and text.
struct BoxAnswer {
    QString title, text;
    bool seen = false;
    void arm() {
        QTimer::singleShot(0, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr) return;
            seen = true;
            title = box->windowTitle();
            text = box->text();
            box->accept();
        });
    }
    // For a box that opens once the current event is done.
    void arm2() {
        QTimer::singleShot(20, [this] { arm(); });
    }
};

TEST_F(ParamWindow, WindowCaptionPlaceAndFont) {
    EXPECT_EQ(window->windowTitle(), "Simulation parameters");
    EXPECT_TRUE(window->isWindow());
    EXPECT_EQ(window->parentWidget(), nullptr);
    EXPECT_EQ(window->size(), QSize(544, 372));
    EXPECT_EQ(window->frameGeometry().topLeft(), QPoint(412, 443));
    EXPECT_EQ(window->font().family(), "MS Sans Serif");
    EXPECT_EQ(window->font().pointSize(), 8);
    auto* heading = control<QLabel>("Lscaling");
    ASSERT_NE(heading, nullptr);
    EXPECT_EQ(heading->text(), "Scaling factors:");
    EXPECT_EQ(heading->pos(), QPoint(376, 16));
}

TEST_F(ParamWindow, EveryControlCaptionPlaceDefaultKindAndTabOrder) {
    ASSERT_EQ(kRows.size(), 38u);
    int marked = 0;
    for (const Row& row : kRows) marked += row.marked;
    EXPECT_EQ(marked, 24);  // the controls whose exit sets the dirty flag
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.name);
        QWidget* w = control(row.name);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->geometry(), QRect(row.left, row.top, row.width, row.height));
        switch (row.kind) {
        case Kind::Real:
        case Kind::Int: {
            auto* field = qobject_cast<TNEdit*>(w);
            ASSERT_NE(field, nullptr);
            EXPECT_EQ(field->field_type(), row.kind == Kind::Int ? tipo_campo::int_field : tipo_campo::real_field);
            EXPECT_EQ(field->text(), row.text);
            EXPECT_EQ(field->panel_real(), row.real_value);
            EXPECT_EQ(field->panel_int(), row.int_value);
            auto* label = control<QLabel>((std::string("L") + row.name).c_str());
            if (row.caption == nullptr) {
                EXPECT_EQ(label, nullptr);
            } else {
                ASSERT_NE(label, nullptr);
                EXPECT_EQ(label->text(), row.caption);
                EXPECT_EQ(label->pos(), QPoint(row.caption_left, row.top));
                EXPECT_LE(label->geometry().right(), row.left);
                EXPECT_GE(label->width(), label->sizeHint().width());  // nothing clipped
            }
            break;
        }
        case Kind::Radio: {
            auto* group = qobject_cast<TRadioGroup*>(w);
            ASSERT_NE(group, nullptr);
            EXPECT_EQ(group->title(), row.caption);
            ASSERT_EQ(group->count(), 3);
            EXPECT_EQ(group->item(0)->text(), "Open driver");
            EXPECT_EQ(group->item(1)->text(), "Short-circuit driver");
            EXPECT_EQ(group->item(2)->text(), "Open w/free-wheeling diodes");
            EXPECT_EQ(group->item_index(), 2);
            break;
        }
        case Kind::Check: {
            auto* box = qobject_cast<QCheckBox*>(w);
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(box->text(), row.caption);
            EXPECT_FALSE(box->isChecked());
            EXPECT_GE(box->width(), box->sizeHint().width());  // nothing clipped
            break;
        }
        case Kind::Button: {
            auto* button = qobject_cast<QPushButton*>(w);
            ASSERT_NE(button, nullptr);
            EXPECT_EQ(button->text(), row.caption);
            EXPECT_EQ(button->isEnabled(), std::string(row.name) == "Breplot");
            break;
        }
        }
    }
    for (int i = 0; i < 3; ++i) EXPECT_GE(window->RGstop->item(i)->width(), window->RGstop->item(i)->sizeHint().width());

    // Tab walks the controls in their tab order (both reference buttons
    // enabled, so that none is skipped) and comes back to the first.
    state->save_ref_enabled = true;
    state->reference_present = true;
    window->refresh_ref_buttons();
    std::vector<const Row*> order(kRows.size());
    for (const Row& row : kRows) order.at(static_cast<std::size_t>(row.tab)) = &row;
    focus(focus_target(*order[0]));
    for (std::size_t i = 1; i <= order.size(); ++i) {
        const Row& expected = *order[i % order.size()];
        SCOPED_TRACE(expected.name);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), focus_target(expected));
    }
    // Shift+Tab walks it backwards.
    for (std::size_t i = order.size(); i-- > 0;) {
        const Row& expected = *order[i];
        SCOPED_TRACE(expected.name);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        EXPECT_EQ(QApplication::focusWidget(), focus_target(expected));
    }
}

TEST_F(ParamWindow, LeavingAMarkedControlSetsTheDirtyFlagOthersDoNot) {
    for (const Row& row : kRows) {
        if (row.kind == Kind::Button) continue;
        SCOPED_TRACE(row.name);
        // By Tab.
        focus(focus_target(row));
        state->dirty = false;
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_NE(QApplication::focusWidget(), focus_target(row));
        EXPECT_EQ(state->dirty, row.marked);
        // By a click on another control (a field that is not marked).
        QWidget* other = std::string(row.name) == "NEvmax" ? window->NEmvin : window->NEvmax;
        focus(focus_target(row));
        state->dirty = false;
        QTest::mouseClick(other, Qt::LeftButton);
        EXPECT_EQ(QApplication::focusWidget(), other);
        EXPECT_EQ(state->dirty, row.marked);
    }
    // Leaving without changing anything counts; a press on a button counts
    // before the button acts (Save Ref. disabled: nothing else happens).
    focus(window->NEopen);
    state->dirty = false;
    QTest::mouseClick(window->Bdelref, Qt::LeftButton);
    EXPECT_FALSE(state->dirty);  // disabled button: the focus stays
    state->reference_present = true;
    window->refresh_ref_buttons();
    QTest::mouseClick(window->Bdelref, Qt::LeftButton);
    EXPECT_TRUE(state->dirty);
    EXPECT_FALSE(state->reference_present);
}

TEST_F(ParamWindow, MovingInsideTheRadioGroupIsNotLeavingIt) {
    TRadioGroup* group = window->RGstop;
    focus(group->item(2));
    state->dirty = false;
    QTest::keyClick(group->item(2), Qt::Key_Up);
    EXPECT_TRUE(group->item(1)->hasFocus());
    EXPECT_EQ(group->item_index(), 1);
    QTest::mouseClick(group->item(0), Qt::LeftButton, {}, QPoint(8, group->item(0)->height() / 2));
    EXPECT_EQ(group->item_index(), 0);
    EXPECT_FALSE(state->dirty);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), window->NEopen);
    EXPECT_TRUE(state->dirty);
    EXPECT_EQ(window->read_params().stop_mode, kOpenDriver);
}

TEST_F(ParamWindow, ActivatingAnotherWindowIsNotLeaving) {
    QWidget other;
    other.resize(100, 100);
    for (QWidget* w : std::vector<QWidget*>{window->NEC1, window->CBsquare, window->CBfb, window->RGstop->item(2)}) {
        SCOPED_TRACE(w->objectName().toStdString());
        focus(w);
        state->dirty = false;
        other.show();
        activate(&other);
        EXPECT_FALSE(state->dirty);
        other.hide();
        activate(window.get());
        EXPECT_EQ(QApplication::focusWidget(), w);
        EXPECT_FALSE(state->dirty);
    }
}

TEST_F(ParamWindow, RefusedTextLeavesTheFlagClearAndTheValueKept) {
    window->NEC1->set_panel_real(5e-9L);
    type_over(window->NEC1, "1,5");
    state->dirty = false;
    BoxAnswer answer;
    answer.arm();
    QTest::keyClick(window->NEC1, Qt::Key_Tab);
    QTest::qWait(50);
    EXPECT_TRUE(answer.seen);
    EXPECT_EQ(answer.title, "ZELVAR Designer");
    EXPECT_EQ(answer.text, "1,5 is not a valid number.");
    EXPECT_FALSE(state->dirty);
    EXPECT_EQ(window->NEC1->text(), "1,5");
    EXPECT_EQ(window->NEC1->panel_real(), 5e-9L);
    EXPECT_EQ(window->read_params().C1, 5e-9L);
    activate(window.get());
    EXPECT_EQ(QApplication::focusWidget(), window->NEC1);

    // The focus moved from code to a check box: the refused field takes it
    // back, and the check box has not been left.
    state->dirty = false;
    BoxAnswer second;
    second.arm2();
    window->CBsquare->setFocus(Qt::OtherFocusReason);
    QTest::qWait(50);
    EXPECT_TRUE(second.seen);
    EXPECT_EQ(second.text, "1,5 is not a valid number.");
    EXPECT_FALSE(state->dirty);
    activate(window.get());
    EXPECT_EQ(QApplication::focusWidget(), window->NEC1);
    window->NEC1->set_panel_real(5e-9L);

    // An integer field: $10 is 16, and leaving it marks the store dirty.
    type_over(window->NEpontos, "$10");
    state->dirty = false;
    QTest::keyClick(window->NEpontos, Qt::Key_Tab);
    EXPECT_TRUE(state->dirty);
    EXPECT_EQ(window->NEpontos->text(), "$10");
    EXPECT_EQ(window->read_params().points, 16);
}

TEST_F(ParamWindow, ReadsStoredValuesNeverTheText) {
    TFparam& w = *window;
    // Every real field the run reads, the parameter it fills, a value to store.
    const struct {
        TNEdit* field;
        long double SimParams::*param;
        long double value;
    } reals[] = {
        {w.NEC1, &SimParams::C1, 1e-9L},       {w.NEL1, &SimParams::L1, 2e-6L},
        {w.NER1, &SimParams::R1, 3},           {w.NEC2, &SimParams::C2, 4e-12L},
        {w.NEL2, &SimParams::L2, 5e-3L},       {w.NER2, &SimParams::R2, 6},
        {w.NEC3, &SimParams::C3, 7e-12L},      {w.NEL3, &SimParams::L3, 8e-3L},
        {w.NER3, &SimParams::R3, 9},           {w.NEk12, &SimParams::k12, 0.674199862463242L},
        {w.NECL, &SimParams::CL, 1.1e-14L},    {w.NERL, &SimParams::RL, 12},
        {w.NEfin, &SimParams::fin, 13000},     {w.NEvin, &SimParams::Vin, 14},
        {w.NEstop, &SimParams::tstop, 15e-6L}, {w.NEopen, &SimParams::Ropen, 16},
        {w.NEstart, &SimParams::tstart, 17e-6L}, {w.NEtmax, &SimParams::tmax, 18e-6L},
        {w.NEVC10, &SimParams::VC10, 21},      {w.NEvmax, &SimParams::Vmax, 22},
    };
    for (const auto& r : reals) r.field->set_panel_real(r.value);
    w.RGstop->set_item_index(1);
    w.CBsquare->setChecked(true);
    w.CBfb->setChecked(true);
    w.NEpontos->set_panel_int(19);
    w.NEsteps->set_panel_int(20);
    w.CBuse->setChecked(true);
    w.CBmaxima->setChecked(true);
    const SimParams p = w.read_params();
    for (const auto& r : reals) EXPECT_EQ(p.*r.param, r.value) << r.field->objectName().toStdString();
    EXPECT_EQ(p.stop_mode, kShortDriver);
    EXPECT_TRUE(p.square);
    EXPECT_TRUE(p.feedback);
    EXPECT_EQ(p.points, 19);
    EXPECT_EQ(p.steps, 20);
    EXPECT_TRUE(p.use_vmax);
    EXPECT_TRUE(p.find_maxima);

    // Defaults of the window equal the defaults of a parameter record.
    TFparam fresh(*state);
    const SimParams d = fresh.read_params(), r{};
    EXPECT_EQ(d.CL, r.CL);
    EXPECT_EQ(d.RL, r.RL);
    EXPECT_EQ(d.fin, r.fin);
    EXPECT_EQ(d.tstop, r.tstop);
    EXPECT_EQ(d.stop_mode, r.stop_mode);
    EXPECT_EQ(d.Ropen, r.Ropen);
    EXPECT_EQ(d.tstart, r.tstart);
    EXPECT_EQ(d.tmax, r.tmax);
    EXPECT_EQ(d.points, r.points);
    EXPECT_EQ(d.steps, r.steps);
    EXPECT_EQ(d.Vmax, r.Vmax);
    EXPECT_EQ(fresh.read_scales(), (std::array<long double, 8>{1, 1, 1, 1, 1, 1, 1, 1}));

    // Scale factors in record order.
    TNEdit* scales[] = {w.NEmvin, w.NEv1, w.NEv2, w.NEv3, w.NEv4, w.NEi1, w.NEi2, w.NEi3};
    for (int i = 0; i < 8; ++i) scales[i]->set_panel_real(0.5L + i);
    EXPECT_EQ(w.read_scales(), (std::array<long double, 8>{0.5L, 1.5L, 2.5L, 3.5L, 4.5L, 5.5L, 6.5L, 7.5L}));

    // Typed but not yet left: the stored value still counts.
    type_over(w.NEC1, "5e-9");
    type_over(w.NEv2, "10");
    EXPECT_EQ(w.read_params().C1, 5e-9L);  // NEC1 was left when NEv2 took the focus
    EXPECT_EQ(w.read_scales()[2], 2.5L);
    EXPECT_EQ(w.NEv2->text(), "10");
    QTest::keyClick(w.NEv2, Qt::Key_Tab);
    EXPECT_EQ(w.read_scales()[2], 10);
    EXPECT_EQ(w.NEC1->text(), "5e-9");  // as typed
}

TEST_F(ParamWindow, ReferenceButtonsFollowTheStateAndCopyTheStore) {
    EXPECT_FALSE(window->Bsaveref->isEnabled());
    EXPECT_FALSE(window->Bdelref->isEnabled());
    // A completed run: three samples.
    state->result.samples.resize(3);
    for (int i = 1; i <= 3; ++i) {
        state->result.samples.time[i - 1] = (i - 1) * 1e-7L;
        for (int v = 0; v < 8; ++v) state->result.samples.values[i - 1][v] = 10 * i + v;
    }
    state->save_ref_enabled = true;
    window->refresh_ref_buttons();
    EXPECT_TRUE(window->Bsaveref->isEnabled());
    EXPECT_FALSE(window->Bdelref->isEnabled());

    focus(window->Breplot);  // leaving a button marks nothing
    state->dirty = false;
    QTest::mouseClick(window->Bsaveref, Qt::LeftButton);
    EXPECT_TRUE(state->reference_present);
    EXPECT_TRUE(window->Bdelref->isEnabled());
    EXPECT_TRUE(window->Bsaveref->isEnabled());
    EXPECT_FALSE(state->dirty);
    ASSERT_EQ(state->reference.count(), 3);
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(state->reference.time[i - 1], state->result.samples.time[i - 1]);
        for (int v = 0; v < 8; ++v) EXPECT_EQ(state->reference.values[i - 1][v], 10 * i + v);
    }
    EXPECT_EQ(state->reference.values.size(), 3u);  // the copy is the three samples, no more

    QTest::mouseClick(window->Bdelref, Qt::LeftButton);
    EXPECT_FALSE(state->reference_present);
    EXPECT_FALSE(window->Bdelref->isEnabled());
    EXPECT_TRUE(window->Bsaveref->isEnabled());
    EXPECT_EQ(state->reference.count(), 3);  // the data stay
    EXPECT_EQ(state->reference.values[2][7], 37);
    EXPECT_FALSE(state->dirty);
}

TEST_F(ParamWindow, PlotMarksDirtyAndShowsTheWaveformWindow) {
    state->dirty = false;
    state->run_blocked = true;
    QTest::mouseClick(window->Breplot, Qt::LeftButton);  // no waveform window yet
    EXPECT_TRUE(state->dirty);
    EXPECT_FALSE(state->run_blocked);

    LineCollector log;
    TFwave wave(*state, log);
    wave.set_inputs({[this] { return window->read_params(); }, [this] { return window->read_scales(); },
                     [this] { window->refresh_ref_buttons(); }});
    window->set_wave_window(&wave);
    // A run that stops at once with its own message: no box.
    window->NEpontos->set_panel_int(60000);
    state->dirty = false;
    EXPECT_FALSE(wave.isVisible());
    QTest::mouseClick(window->Breplot, Qt::LeftButton);
    EXPECT_TRUE(state->dirty);
    EXPECT_TRUE(wave.isVisible());
    wave.hide();
    window->set_wave_window(nullptr);
}

TEST_F(ParamWindow, HidingAndShowingKeepsTheContents) {
    type_over(window->NEC1, "3e-9");
    QTest::keyClick(window->NEC1, Qt::Key_Tab);
    type_over(window->NEL1, "typed");  // not left: stays as text only
    window->RGstop->set_item_index(0);
    window->CBfb->setChecked(true);
    state->save_ref_enabled = true;
    window->refresh_ref_buttons();

    EXPECT_TRUE(window->close());
    EXPECT_FALSE(window->isVisible());
    window->show();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->NEC1->text(), "3e-9");
    EXPECT_EQ(window->NEC1->panel_real(), 3e-9L);
    EXPECT_EQ(window->NEL1->text(), "typed");
    EXPECT_EQ(window->NEL1->panel_real(), 0);
    EXPECT_EQ(window->RGstop->item_index(), 0);
    EXPECT_TRUE(window->CBfb->isChecked());
    EXPECT_TRUE(window->Bsaveref->isEnabled());
    window->NEL1->set_panel_real(0);
}

// Every entry of the parameter table is a control of the window with the
// table's caption and default, and the window reads SimParams{}; every
// channel has its scale-factor field at 1.
TEST_F(ParamWindow, TheTablesDescribeTheControls) {
    const SimParams defaults;
    const SimParams read = window->read_params();
    for (const ParamSpec& p : kParamTable) {
        QWidget* w = control(p.control);
        ASSERT_NE(w, nullptr) << p.key;
        const QString caption = QString::fromLatin1(p.caption != nullptr ? p.caption : "");
        switch (p.kind) {
            case ParamKind::real:
            case ParamKind::integer: {
                EXPECT_EQ(static_cast<TNEdit*>(w)->text().toStdString(), param_default_text(p)) << p.key;
                auto* label = control<QLabel>((std::string("L") + p.control).c_str());
                EXPECT_EQ(label != nullptr ? label->text() : QString(), caption) << p.key;
                if (p.kind == ParamKind::real)
                    EXPECT_EQ(read.*p.real, defaults.*p.real) << p.key;
                else
                    EXPECT_EQ(read.*p.integer, defaults.*p.integer) << p.key;
                break;
            }
            case ParamKind::flag:
                EXPECT_EQ(static_cast<QCheckBox*>(w)->text(), caption) << p.key;
                EXPECT_EQ(read.*p.flag, defaults.*p.flag) << p.key;
                break;
            case ParamKind::choice:
                EXPECT_EQ(read.*p.choice, defaults.*p.choice) << p.key;
                EXPECT_EQ(std::string(p.choices[read.*p.choice]), param_default_text(p)) << p.key;
                break;
        }
    }
    const std::array<long double, 8> scales = window->read_scales();
    for (int c = 0; c < kChannelCount; ++c) {
        EXPECT_EQ(scales[c], 1) << c;
        auto* label = control<QLabel>((std::string("L") + kChannels[c].scale_field).c_str());
        ASSERT_NE(label, nullptr) << c;
        EXPECT_EQ(label->text(), QString::fromLatin1(kChannels[c].csv_name));
    }
}

}  // namespace
}  // namespace zelvar
