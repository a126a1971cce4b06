#pragma once
// Helpers of the GUI tests: answering the error box, clicking as the mouse
// does, waiting for a window to be active.
#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <ostream>
#include <vector>

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

}  // namespace zelvar::guitest
