// SPDX-License-Identifier: GPL-3.0-or-later
// The ideal magnifier window: "Apply" with and without "Update elements",
// the mode check, faults and the fields the report does not read.
#include "idealmag/idealmag_window.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <memory>

#include "../app/gui_helpers_guitest.h"
#include "magnifier_example.h"
#include "app/application_window.h"
#include "design/design_window.h"
#include "sim/param_window.h"
#include "widgets/tnedit_widget.h"

namespace zelvar {
namespace {

const QStringList kWorkedExample = guitest::latin1_lines(testdata::magnifier_worked_example());

// The ideal magnifier window open and active over the design window.
class IdealMagnifierWindow : public guitest::ProgramWindows {
protected:
    void SetUp() override {
        ProgramWindows::SetUp();
        ASSERT_TRUE(activate(d));
        click_through_window(d->Button1);
        ASSERT_TRUE(m->isVisible());
        ASSERT_TRUE(activate(m));
    }
};

TEST_F(IdealMagnifierWindow, ApplyWithUpdateElementsFillsTheParametersAndHides) {
    windows->document.dirty = false;
    BoxCatcher boxes;
    click_through_window(m->Bapply);
    boxes.settle();
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(report(), kWorkedExample);

    EXPECT_EQ(p->NEC1->text(), "5E-9");
    EXPECT_EQ(p->NEC2->text(), "3.2E-11");
    EXPECT_EQ(p->NEC3->text(), "1.5E-11");
    EXPECT_EQ(p->NEL1->text(), "0.0001551");
    EXPECT_EQ(p->NEL2->text(), "0.0235");
    EXPECT_EQ(p->NEL3->text(), "0.0282");
    EXPECT_EQ(p->NEk12->text(), "0.674199862463242");
    // Nothing else in the parameter window changes.
    EXPECT_EQ(p->NEfin->text(), "300000");
    EXPECT_EQ(p->NEVC10->text(), "0");
    EXPECT_FALSE(m->isVisible());
    EXPECT_TRUE(d->Bsimulate->isEnabled());
    EXPECT_FALSE(p->isVisible());
    EXPECT_FALSE(windows->document.dirty);
}

TEST_F(IdealMagnifierWindow, UpdateSetsTheSevenFieldsInOrderThenHidesThenEnablesSimulate) {
    std::vector<std::string> order;
    for (TNEdit* f : {p->NEC1, p->NEC2, p->NEC3, p->NEL1, p->NEL2, p->NEL3, p->NEk12, p->NEfin}) {
        f->set_panel_real(0);
        QObject::connect(f, &QLineEdit::textChanged, [&order, f, this] {
            order.push_back(f->objectName().toStdString());
            EXPECT_TRUE(m->isVisible()) << "hidden before " << order.back();
            EXPECT_FALSE(d->Bsimulate->isEnabled()) << "enabled before " << order.back();
        });
    }
    bool enabled_when_hidden = true;
    struct HideSpy : QObject {
        TFdesign* d;
        bool* enabled;
        HideSpy(TFdesign* design, bool* e) : d(design), enabled(e) {}
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::Hide) *enabled = d->Bsimulate->isEnabled();
            return false;
        }
    } spy(d, &enabled_when_hidden);
    m->installEventFilter(&spy);
    click_through_window(m->Bapply);
    m->removeEventFilter(&spy);
    EXPECT_EQ(order, (std::vector<std::string>{"NEC1", "NEC2", "NEC3", "NEL1", "NEL2", "NEL3", "NEk12"}));
    EXPECT_FALSE(enabled_when_hidden);
    EXPECT_FALSE(m->isVisible());
    EXPECT_TRUE(d->Bsimulate->isEnabled());
}

TEST_F(IdealMagnifierWindow, HostileValuesEndInALineOrABoxNeverACrash) {
    click_through_window(m->CBupdate);  // the window stays open
    ASSERT_FALSE(m->CBupdate->isChecked());
    BoxCatcher boxes;
    const std::int32_t ints[] = {0, -1, 46341, 2147483647, -2147483647 - 1};
    for (TNEdit* f : {m->NEk, m->NEl, m->NEm}) {
        const std::int32_t keep = f->panel_int();
        for (std::int32_t n : ints) {
            f->set_panel_int(n);
            const int before = d->Memo1->document()->blockCount();
            const std::size_t boxes_before = boxes.boxes.size();
            m->BapplyClick();
            boxes.settle();
            EXPECT_TRUE(d->Memo1->document()->blockCount() > before || boxes.boxes.size() > boxes_before)
                << f->objectName().toStdString() << " = " << n;
        }
        f->set_panel_int(keep);
    }
    const long double reals[] = {0, -1, 1e4000L, -1e-4000L, 1e-4950L};
    for (TNEdit* f : {m->NEC1, m->NEL3, m->NEC3}) {
        const long double keep = f->panel_real();
        for (long double v : reals) {
            f->set_panel_real(v);
            const int before = d->Memo1->document()->blockCount();
            const std::size_t boxes_before = boxes.boxes.size();
            m->BapplyClick();
            boxes.settle();
            EXPECT_TRUE(d->Memo1->document()->blockCount() > before || boxes.boxes.size() > boxes_before)
                << f->objectName().toStdString() << " = " << static_cast<double>(v);
        }
        f->set_panel_real(keep);
    }
    // The overflowing product of the mode stops with its message.
    m->NEl->set_panel_int(46342);
    m->NEm->set_panel_int(46343);
    const std::size_t n = boxes.boxes.size();
    m->BapplyClick();
    ASSERT_TRUE(boxes.wait_for(n + 1));
    EXPECT_EQ(boxes.boxes.back().text, "Integer overflow.");
    EXPECT_EQ(report().back(), "Energy transfer from C1 to C3");
}

TEST_F(IdealMagnifierWindow, ApplyWithoutUpdateElementsOnlyReports) {
    click_through_window(m->CBupdate);
    ASSERT_FALSE(m->CBupdate->isChecked());
    p->NEC1->set_panel_real(1e-9L);
    click_through_window(m->Bapply);
    EXPECT_EQ(report(), kWorkedExample);
    EXPECT_TRUE(m->isVisible());
    EXPECT_FALSE(d->Bsimulate->isEnabled());
    EXPECT_EQ(p->NEC1->text(), "1E-9");
    EXPECT_EQ(p->NEC2->text(), "0");
    EXPECT_EQ(p->NEk12->text(), "0");

    // -VC1(0) changes nothing in the report.
    retype(m->NEVC1, "7000");
    click_through_window(m->Bapply);
    EXPECT_EQ(m->NEVC1->panel_real(), 7000.0L);
    EXPECT_EQ(report(), kWorkedExample + kWorkedExample);
}

TEST_F(IdealMagnifierWindow, EvenDifferenceWritesOneLineAndNothingElse) {
    BoxCatcher boxes;
    retype(m->NEl, "3");
    retype(m->NEm, "5");
    click_through_window(m->Bapply);
    boxes.settle();
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(report(), QStringList{"The multipliers must have odd differences"});
    EXPECT_TRUE(m->isVisible());
    EXPECT_FALSE(d->Bsimulate->isEnabled());
    EXPECT_EQ(p->NEC2->text(), "0");
}

TEST_F(IdealMagnifierWindow, FaultAfterTheHeaderShowsTheBox) {
    BoxCatcher boxes;
    retype(m->NEk, "0");
    retype(m->NEl, "1");
    retype(m->NEm, "2");
    click_through_window(m->Bapply);
    ASSERT_TRUE(boxes.wait_for(1));
    boxes.expect_error_box(0, "Floating point division by zero.");
    EXPECT_EQ(report(), (QStringList{"Ideal Tesla magnifier:", "Energy transfer from C1 to C3"}));
    EXPECT_TRUE(m->isVisible());
    EXPECT_FALSE(d->Bsimulate->isEnabled());
    EXPECT_EQ(p->NEC1->text(), "0");
}

TEST_F(IdealMagnifierWindow, IntegerFieldsReadHexadecimalAndRefuseBeforeApplyRuns) {
    BoxCatcher boxes;
    retype(m->NEl, "$10");
    retype(m->NEm, "x11");
    EXPECT_EQ(m->NEl->panel_int(), 16);
    // A refused text in the field being left stops "Apply".
    retype(m->NEk, "1.0");
    click_through_window(m->Bapply);
    ASSERT_TRUE(boxes.wait_for(1));
    EXPECT_EQ(boxes.boxes[0].text, "1.0 is not a valid number.");
    EXPECT_TRUE(report().isEmpty());
    EXPECT_EQ(QApplication::focusWidget(), m->NEk);
    EXPECT_EQ(m->NEk->panel_int(), 1);

    retype(m->NEk, "$F");
    click_through_window(m->Bapply);
    boxes.settle();
    EXPECT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(m->NEk->panel_int(), 15);
    EXPECT_EQ(m->NEm->panel_int(), 17);
    // 15:16:17 has odd differences: a full report.
    const QStringList lines = report();
    ASSERT_EQ(lines.size(), 12);
    EXPECT_EQ(lines[0], "Ideal Tesla magnifier:");
}

TEST_F(IdealMagnifierWindow, OpensCentredOnTheScreenByItsRealOuterSize) {
    // Shown once (SetUp), closed and opened again: it stays where it opened.
    const QRect screen = m->screen()->geometry();
    const QRect frame = m->frameGeometry();
    EXPECT_EQ(frame.topLeft(), QPoint(screen.left() + (screen.width() - frame.width()) / 2,
                                      screen.top() + (screen.height() - frame.height()) / 2));
    m->close();
    click_through_window(d->Button1);
    EXPECT_EQ(m->frameGeometry(), frame);
}

}  // namespace
}  // namespace zelvar
