#include "widgets/tnedit_widget.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFocusEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QScrollBar>
#include <QTimer>
#include <QWindow>
#include <exception>
#include <string>
#include <vector>

#include "app/error_box_widget.h"
#include "app/faults.h"

namespace zelvar {

namespace {

// The field whose check already ran for the focus move under way, so that
// the focus-out that follows does not check a second time.
QPointer<TNEdit> g_checked;
// A refused field is taking the focus back.
bool g_restoring = false;
// The focus left a field through a mouse press that was then refused: the
// press, still on its way to the clicked control, must not reach it.
bool g_swallow_press = false;

// The control that a mouse press on `w` gives the focus to, as the toolkit
// decides it: the first enabled widget up from `w` that takes the focus by
// click; none when the window is reached first or when a widget on the way
// already has the focus.
QWidget* click_focus_target(QWidget* w) {
    while (w != nullptr) {
        QWidget* f = w;
        while (f->focusProxy() != nullptr) f = f->focusProxy();
        const bool takes_click = (w->focusPolicy() & Qt::ClickFocus) == Qt::ClickFocus &&
                                 (f == w || (f->focusPolicy() & Qt::ClickFocus) == Qt::ClickFocus);
        if (w->isEnabled() && takes_click) return f;
        if (w->isWindow()) return nullptr;
        if (f->hasFocus()) return nullptr;
        w = w->parentWidget();
    }
    return nullptr;
}

// A press that leaves the focus where it is on the desktop the program was
// laid out for: any press on a scroll bar, and a press with another button
// than the left one on a button (push button, check box, radio button).
bool press_keeps_focus(QWidget* under, Qt::MouseButton button) {
    for (QWidget* w = under; w != nullptr && !w->isWindow(); w = w->parentWidget()) {
        if (qobject_cast<QScrollBar*>(w) != nullptr) return true;
        if (qobject_cast<QAbstractButton*>(w) != nullptr) return button != Qt::LeftButton;
    }
    return false;
}

// The controls that a press keeping the focus would otherwise give it to,
// with their own focus policy, held back from taking the focus by click
// until the press has been delivered.
struct HeldPolicy {
    QPointer<QWidget> widget;
    Qt::FocusPolicy policy;
};
std::vector<HeldPolicy> g_held;

void release_click_focus() {
    for (const HeldPolicy& h : g_held)
        if (h.widget != nullptr) h.widget->setFocusPolicy(h.policy);
    g_held.clear();
}

void hold_click_focus(QWidget* under) {
    release_click_focus();
    for (QWidget* w = under; w != nullptr; w = w->parentWidget()) {
        const Qt::FocusPolicy policy = w->focusPolicy();
        if ((policy & Qt::ClickFocus) == Qt::ClickFocus) {
            g_held.push_back({w, policy});
            w->setFocusPolicy(static_cast<Qt::FocusPolicy>(policy & ~Qt::ClickFocus));
        }
        if (w->isWindow()) break;
    }
    // Should the press never reach a control, the policies come back anyway.
    QTimer::singleShot(0, qApp, release_click_focus);
}

QWidget* widget_of(QWindow* window) {
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->windowHandle() == window) return top;
    return nullptr;
}

}  // namespace

// Sees every mouse press before the toolkit moves the focus for it.
class ExitCheckFilter : public QObject {
public:
    using QObject::QObject;

    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type type = event->type();
        if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonDblClick) return false;
        if (auto* window = qobject_cast<QWindow*>(watched)) {
            const auto* press = static_cast<QMouseEvent*>(event);
            const QPoint pos = press->position().toPoint();
            // The second press of a double click gives the focus again.
            if (type == QEvent::MouseButtonDblClick) {
                if (QWidget* top = widget_of(window)) {
                    QWidget* under = top->childAt(pos);
                    if (press_keeps_focus(under, press->button())) hold_click_focus(under);
                }
                return false;
            }
            // The press has reached the window; the widget under it has not
            // been given the focus yet.
            g_checked = nullptr;
            return check_before_press(window, pos, press->button());
        }
        if (watched->isWidgetType()) {
            // The focus has been given for this press: nothing is pending.
            release_click_focus();
            if (type == QEvent::MouseButtonDblClick) return false;
            g_checked = nullptr;
            if (g_swallow_press) {
                g_swallow_press = false;
                return true;
            }
        }
        return false;
    }

private:
    // True when the press must not go on (the focused field refused its text).
    static bool check_before_press(QWindow* window, QPoint pos, Qt::MouseButton button) {
        QWidget* top = widget_of(window);
        if (top == nullptr) return false;
        QWidget* under = top->childAt(pos);
        if (press_keeps_focus(under, button)) {
            // The focus stays where it is: nothing is left, nothing checked.
            hold_click_focus(under);
            return false;
        }
        // The field that has the focus in the pressed window, or gets it
        // back as the press activates that window.
        auto* field = qobject_cast<TNEdit*>(top->focusWidget());
        if (field == nullptr) return false;
        QWidget* target = click_focus_target(under != nullptr ? under : top);
        if (target == nullptr || target == field || field->isAncestorOf(target)) return false;
        if (!field->leave()) return true;
        g_checked = field;
        return false;
    }
};

TNEdit::TNEdit(QWidget* parent) : QLineEdit(parent) {
    static bool filter_installed = false;
    if (!filter_installed && qApp != nullptr) {
        qApp->installEventFilter(new ExitCheckFilter(qApp));
        filter_installed = true;
    }
}

TNEdit* make_field(QWidget* parent, const char* name, int left, int top, int width, int height, const char* text,
                   long double real_value, std::int32_t int_value, tipo_campo kind) {
    auto* field = new TNEdit(parent);
    field->setObjectName(name);
    field->setGeometry(left, top, width, height);
    field->setText(QString::fromLatin1(text));
    if (real_value != 0) field->set_panel_real(real_value);
    field->set_panel_int(int_value);
    field->set_field_type(kind);
    return field;
}

bool TNEdit::restoring_focus() { return g_restoring; }

void TNEdit::set_panel_real(long double x) {
    panel_real_ = x;
    if (field_type_ == tipo_campo::real_field) show_text(real_display_text(x));
    emit stored();
}

void TNEdit::set_panel_int(std::int32_t n) {
    panel_int_ = n;
    if (field_type_ == tipo_campo::int_field) show_text(int_display_text(n));
    emit stored();
}

void TNEdit::set_field_type(tipo_campo t) {
    field_type_ = t;
    if (t == tipo_campo::real_field)
        show_text(real_display_text(panel_real_));
    else if (t == tipo_campo::int_field)
        show_text(int_display_text(panel_int_));
}

void TNEdit::show_text(const std::string& text) {
    setText(QString::fromStdString(text));
    // A value set from code is shown from its first character.
    setCursorPosition(0);
}

void TNEdit::exit_check() {
    const std::string typed = text().toUtf8().toStdString();
    if (field_type_ == tipo_campo::real_field)
        panel_real_ = parse_real(typed);
    else if (field_type_ == tipo_campo::int_field)
        panel_int_ = parse_int(typed);
    emit stored();
}

bool TNEdit::leave() {
    try {
        exit_check();
    } catch (const std::exception& e) {
        show_error_box(this, e.what());
        return false;
    }
    emit exited();
    return true;
}

void TNEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    // Activating another window (or opening a menu or a box) does not check.
    const Qt::FocusReason reason = event->reason();
    if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason) return;
    if (g_restoring) return;
    if (g_checked == this) {
        g_checked = nullptr;
        return;
    }
    check_after_focus_left(reason == Qt::MouseFocusReason);
}

bool TNEdit::focusNextPrevChild(bool next) {
    // Tab and Shift+Tab: check before the focus moves.
    if (!g_restoring && hasFocus()) {
        if (!leave()) return true;
        g_checked = this;
    }
    const bool moved = QLineEdit::focusNextPrevChild(next);
    if (g_checked == this) g_checked = nullptr;
    return moved;
}

void TNEdit::check_after_focus_left(bool by_mouse) {
    std::string message;
    bool refused = false;
    try {
        exit_check();
    } catch (const std::exception& e) {
        message = e.what();
        refused = true;
    }
    if (!refused) {
        emit exited();
        return;
    }
    // The press that took the focus away is still to be delivered.
    if (by_mouse) g_swallow_press = true;
    QTimer::singleShot(0, this, [this, message] {
        g_swallow_press = false;
        g_restoring = true;
        setFocus(Qt::OtherFocusReason);
        g_restoring = false;
        show_error_box(this, message);
    });
}

}  // namespace zelvar
