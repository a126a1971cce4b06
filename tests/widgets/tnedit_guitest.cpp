// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/tnedit_widget.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <memory>

#include "../app/gui_helpers_guitest.h"

namespace zelvar {
namespace {

// A window with two fields, a button, a disabled button and a label.
struct FieldWindow {
    FieldWindow() {
        window = std::make_unique<QWidget>();
        window->resize(400, 200);
        first = new TNEdit(window.get());
        first->setGeometry(10, 10, 121, 21);
        first->set_panel_real(5e-9L);
        second = new TNEdit(window.get());
        second->setGeometry(10, 40, 121, 21);
        second->set_panel_int(7);
        second->set_field_type(tipo_campo::int_field);
        button = new QPushButton("Go", window.get());
        button->setGeometry(10, 70, 75, 25);
        disabled = new QPushButton("Off", window.get());
        disabled->setGeometry(100, 70, 75, 25);
        disabled->setEnabled(false);
        label = new QLabel("Label", window.get());
        label->setGeometry(200, 10, 60, 21);
        QWidget::setTabOrder(first, second);
        QWidget::setTabOrder(second, button);
    }
    std::unique_ptr<QWidget> window;
    TNEdit* first;
    TNEdit* second;
    QPushButton* button;
    QPushButton* disabled;
    QLabel* label;
};

TEST(TNEdit, SettersShowTheDisplayTextOfTheKind) {
    TNEdit field;
    EXPECT_EQ(field.panel_real(), 0.0L);
    EXPECT_EQ(field.panel_int(), 0);
    EXPECT_EQ(field.field_type(), tipo_campo::real_field);
    field.set_panel_real(1.551e-4L);
    EXPECT_EQ(field.text(), "0.0001551");
    field.set_panel_real(0.67419986246324208L);
    EXPECT_EQ(field.text(), "0.674199862463242");
    EXPECT_EQ(field.cursorPosition(), 0);  // shown from its first character
    field.set_panel_int(42);  // a real field keeps its text
    EXPECT_EQ(field.text(), "0.674199862463242");
    field.set_field_type(tipo_campo::int_field);
    EXPECT_EQ(field.text(), "42");
    field.set_panel_real(2e15L);  // an integer field keeps its text
    EXPECT_EQ(field.text(), "42");
    field.setText("abc");
    field.set_field_type(tipo_campo::text_field);
    EXPECT_EQ(field.text(), "abc");
    field.set_field_type(tipo_campo::real_field);
    EXPECT_EQ(field.text(), "2E15");
    EXPECT_EQ(field.panel_int(), 42);
}

TEST(TNEdit, RefusedTextByTabShowsTheBoxAndKeepsValueTextAndFocus) {
    FieldWindow w;
    ASSERT_TRUE(activate(w.window.get()));
    QSignalSpy exits(w.first, &TNEdit::exited);
    retype(w.first, "1,5");
    BoxCatcher boxes;
    QTest::keyClick(w.first, Qt::Key_Tab);
    ASSERT_TRUE(boxes.wait_for(1));
    boxes.settle();
    ASSERT_EQ(boxes.boxes.size(), 1u);
    boxes.expect_error_box(0, "1,5 is not a valid number.");
    EXPECT_EQ(w.first->panel_real(), 5e-9L);
    EXPECT_EQ(w.first->text(), "1,5");
    EXPECT_EQ(QApplication::focusWidget(), w.first);
    EXPECT_EQ(exits.count(), 0);

    // An empty text: the message starts with a space.
    retype(w.first, "");
    QTest::keyClick(w.first, Qt::Key_Tab);
    ASSERT_TRUE(boxes.wait_for(2));
    EXPECT_EQ(boxes.boxes[1].text, " is not a valid number.");
    EXPECT_EQ(QApplication::focusWidget(), w.first);
    EXPECT_EQ(exits.count(), 0);
}

TEST(TNEdit, AcceptedTextStaysAsTypedAndTheExitActionRunsOnce) {
    FieldWindow w;
    ASSERT_TRUE(activate(w.window.get()));
    QSignalSpy exits(w.first, &TNEdit::exited);
    retype(w.first, "  7e-9");
    BoxCatcher boxes;
    QTest::keyClick(w.first, Qt::Key_Tab);
    boxes.settle();
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(w.first->panel_real(), 7e-9L);
    EXPECT_EQ(w.first->text(), "  7e-9");
    EXPECT_EQ(QApplication::focusWidget(), w.second);
    EXPECT_EQ(exits.count(), 1);

    // Shift+Tab back: the integer field checks its text on the way out.
    QSignalSpy second_exits(w.second, &TNEdit::exited);
    QTest::keyClick(w.second, Qt::Key_Backtab, Qt::ShiftModifier);
    boxes.settle();
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(QApplication::focusWidget(), w.first);
    EXPECT_EQ(second_exits.count(), 1);
}

TEST(TNEdit, IntegerFieldReadsHexadecimalAndRefusesOutOfRangeAndReals) {
    FieldWindow w;
    ASSERT_TRUE(activate(w.window.get()));
    BoxCatcher boxes;
    retype(w.second, "$10");
    QTest::keyClick(w.second, Qt::Key_Tab);
    boxes.settle();
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(w.second->panel_int(), 16);
    EXPECT_EQ(w.second->text(), "$10");
    EXPECT_EQ(w.second->panel_real(), 0.0L);

    retype(w.second, "2147483648");
    QTest::keyClick(w.second, Qt::Key_Tab);
    ASSERT_TRUE(boxes.wait_for(1));
    EXPECT_EQ(boxes.boxes[0].text, "2147483648 is not a valid number.");
    EXPECT_EQ(w.second->panel_int(), 16);
    EXPECT_EQ(QApplication::focusWidget(), w.second);

    retype(w.second, "3.7");
    QTest::keyClick(w.second, Qt::Key_Tab);
    ASSERT_TRUE(boxes.wait_for(2));
    EXPECT_EQ(boxes.boxes[1].text, "3.7 is not a valid number.");
    EXPECT_EQ(w.second->panel_int(), 16);

    retype(w.second, "-2147483648");
    QTest::keyClick(w.second, Qt::Key_Tab);
    boxes.settle();
    EXPECT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(w.second->panel_int(), -2147483647 - 1);
}

TEST(TNEdit, ClickOnAButtonChecksFirstAndARefusalStopsTheButton) {
    FieldWindow w;
    ASSERT_TRUE(activate(w.window.get()));
    QSignalSpy clicks(w.button, &QPushButton::clicked);
    QSignalSpy exits(w.first, &TNEdit::exited);
    BoxCatcher boxes;

    retype(w.first, "1,5");
    click_through_window(w.button);
    ASSERT_TRUE(boxes.wait_for(1));
    boxes.settle();
    EXPECT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "1,5 is not a valid number.");
    EXPECT_EQ(clicks.count(), 0);
    EXPECT_EQ(exits.count(), 0);
    EXPECT_EQ(QApplication::focusWidget(), w.first);
    EXPECT_EQ(w.first->panel_real(), 5e-9L);

    // The same click once the text is right: check, exit action, then the
    // button's action; the focus-out that follows does not check again.
    retype(w.first, "6E-9");
    QObject::connect(w.button, &QPushButton::clicked, [&] { EXPECT_EQ(w.first->panel_real(), 6e-9L); });
    click_through_window(w.button);
    boxes.settle();
    EXPECT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(exits.count(), 1);
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(QApplication::focusWidget(), w.button);
}

TEST(TNEdit, ClickDeliveredStraightToTheButtonGetsTheSameDecision) {
    FieldWindow w;
    ASSERT_TRUE(activate(w.window.get()));
    QSignalSpy clicks(w.button, &QPushButton::clicked);
    BoxCatcher boxes;
    retype(w.first, "1,5");
    QTest::mouseClick(w.button, Qt::LeftButton);
    ASSERT_TRUE(boxes.wait_for(1));
    boxes.settle();
    EXPECT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(clicks.count(), 0);
    EXPECT_EQ(QApplication::focusWidget(), w.first);
    EXPECT_EQ(w.first->panel_real(), 5e-9L);

    retype(w.first, "6E-9");
    QTest::mouseClick(w.button, Qt::LeftButton);
    boxes.settle();
    EXPECT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(w.first->panel_real(), 6e-9L);
}

TEST(TNEdit, NoCheckWhenTheFocusDoesNotMoveWithinTheWindow) {
    FieldWindow w;
    ASSERT_TRUE(activate(w.window.get()));
    QSignalSpy exits(w.first, &TNEdit::exited);
    BoxCatcher boxes;
    retype(w.first, "1,5");
    // A disabled button and a label take no focus; a click in the field
    // itself keeps it.
    click_through_window(w.disabled);
    click_through_window(w.label);
    click_through_window(w.first);
    boxes.settle();
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(QApplication::focusWidget(), w.first);

    // Another window becomes active: no check, the stored value stays.
    QWidget other;
    other.resize(100, 100);
    ASSERT_TRUE(activate(&other));
    boxes.settle();
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(w.first->panel_real(), 5e-9L);
    EXPECT_EQ(exits.count(), 0);

    // Back in the window the field has the focus again, unchecked until it
    // is left.
    ASSERT_TRUE(activate(w.window.get()));
    boxes.settle();
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(QApplication::focusWidget(), w.first);
    QTest::keyClick(w.first, Qt::Key_Tab);
    EXPECT_TRUE(boxes.wait_for(1));
}

TEST(TNEdit, ClickOnAButtonOfTheFieldsWindowWhileAnotherWindowIsActiveChecksFirst) {
    // The click activates the field's window, which gives the focus back to
    // the field, then moves it to the button: that is leaving the field.
    FieldWindow w;
    ASSERT_TRUE(activate(w.window.get()));
    QSignalSpy clicks(w.button, &QPushButton::clicked);
    QSignalSpy exits(w.first, &TNEdit::exited);
    BoxCatcher boxes;
    retype(w.first, "1,5");
    QWidget other;
    other.resize(100, 100);
    ASSERT_TRUE(activate(&other));
    ASSERT_EQ(w.window->focusWidget(), w.first);

    click_through_window(w.button);
    ASSERT_TRUE(boxes.wait_for(1));
    boxes.settle();
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "1,5 is not a valid number.");
    EXPECT_EQ(clicks.count(), 0);
    EXPECT_EQ(exits.count(), 0);
    EXPECT_EQ(w.window->focusWidget(), w.first);
    EXPECT_EQ(w.first->panel_real(), 5e-9L);

    // Accepted: the check, the exit action, then the button's action.
    retype(w.first, "6E-9");
    ASSERT_TRUE(activate(&other));
    click_through_window(w.button);
    boxes.settle();
    EXPECT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(exits.count(), 1);
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(w.first->panel_real(), 6e-9L);
}

}  // namespace
}  // namespace zelvar
