// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Helpers of the GUI tests: the program's windows as start-up makes them,
// answering the error box, clicking as the mouse does, waiting for a window
// to be active.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "app/application_window.h"
#include "design/design_window.h"
#include "idealmag/idealmag_window.h"
#include "plot/wave_window.h"
#include "sim/param_window.h"
#include "sim/sim_document.h"

// Readable QStrings in the failure messages.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace zelvar::guitest {

struct CaughtBox {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
};

// Answers every modal message box that opens while it lives (OK), keeping
// what each one showed.
class BoxCatcher {
public:
    BoxCatcher() {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                boxes.push_back({box->windowTitle(), box->text(), box->icon()});
                box->accept();
            }
        });
        timer_.start();
    }

    // Lets pending events run until `count` boxes have been answered (or a
    // second has passed); true when they have.
    bool wait_for(std::size_t count = 1) {
        QElapsedTimer clock;
        clock.start();
        while (boxes.size() < count && clock.elapsed() < 1000) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        settle();  // the box has closed; let its owner take the focus back
        return boxes.size() >= count;
    }

    // Lets pending events run a little; nothing should open.
    void settle() {
        for (int i = 0; i < 5; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }

    // Box `index` was the error box showing `text`: caption "ZELVAR Designer",
    // error icon.
    void expect_error_box(std::size_t index, const QString& text) const {
        ASSERT_LT(index, boxes.size());
        EXPECT_EQ(boxes[index].title, "ZELVAR Designer");
        EXPECT_EQ(boxes[index].text, text);
        EXPECT_EQ(boxes[index].icon, QMessageBox::Critical);
    }

    std::vector<CaughtBox> boxes;

private:
    QTimer timer_;
};

// A left click as the mouse gives it: through the control's window, so that
// the press reaches the window before the toolkit moves the focus.
inline void click_through_window(QWidget* control) {
    QWidget* top = control->window();
    const QPoint at = control->mapTo(top, control->rect().center());
    QTest::mouseClick(top->windowHandle(), Qt::LeftButton, Qt::NoModifier, at);
}

inline bool activate(QWidget* window) {
    window->show();
    window->raise();
    window->activateWindow();
    return QTest::qWaitForWindowActive(window);
}

// Replaces the text of a field as the user does: focus, select all, type.
inline void retype(QWidget* field, const QString& text) {
    field->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClicks(field, text);
}

// Report lines in Latin-1 (the micro sign one byte 0xB5) as the log shows them.
inline QStringList latin1_lines(const std::vector<std::string>& lines) {
    QStringList out;
    for (const std::string& l : lines) out << QString::fromLatin1(l.data(), static_cast<qsizetype>(l.size()));
    return out;
}

// The application's document and four windows, created and the main window
// shown as at start-up.
class ProgramWindows : public ::testing::Test {
protected:
    void SetUp() override {
        setup_application();
        windows = std::make_unique<ZelvarWindows>();
        windows->show_main();
        d = windows->Fdesign;
        p = windows->Fparam;
        m = windows->Fidealmag;
        ASSERT_TRUE(QTest::qWaitForWindowExposed(d));
    }
    void TearDown() override { windows.reset(); }

    // Every line of the report log, and those after the 50 help lines.
    QStringList log_lines() const { return d->Memo1->toPlainText().split('\n'); }
    QStringList report() const { return log_lines().mid(50); }

    std::unique_ptr<ZelvarWindows> windows;
    TFdesign* d = nullptr;
    TFparam* p = nullptr;
    TFidealmag* m = nullptr;
};

}  // namespace zelvar::guitest

namespace zelvar {
using guitest::activate;
using guitest::BoxCatcher;
using guitest::click_through_window;
using guitest::retype;
}  // namespace zelvar
