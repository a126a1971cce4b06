#pragma once
// TNEdit: the numeric entry field.  A single-line edit that keeps, beside its
// text, a typed value that the rest of the program reads.
//
// Code reads panel_real() / panel_int() (never the text) and writes results
// through the setters, which refresh the text with the display text of the
// field's kind.  When the focus moves from the field to another control of
// the same window, the field checks its text (exit check): a refused text
// shows the error box and keeps both the text and the stored value; an
// accepted text is stored (the text stays as typed) and then the field's own
// exit action runs (signal `exited`).  Activating another window checks
// nothing.
//
// The check runs before the focus moves:
//  - a mouse press on another control of the field's window, active or not
//    (a press that activates the window gives the focus back to the field,
//    then moves it on): an application-wide filter sees the press before
//    the toolkit moves the focus; a refused text swallows the press (so a
//    clicked button does not act), shows the box and leaves the focus in
//    the field;
//  - Tab and Shift+Tab: a refused text keeps the focus in the field.
// A press that does not move the focus on the desktop the program was laid
// out for (on a scroll bar, or with another button than the left one on a
// button) leaves the focus where it is here too, and checks nothing.
// Any other move of the focus within the window (a press delivered straight
// to a widget, a control focused from code) is checked when the field hears
// that it lost the focus; a refusal then puts the focus back in the field
// and shows the box once the current event is done.
#include <QLineEdit>
#include <cstdint>
#include <string>

#include "widgets/numeric_text.h"

namespace zelvar {

class TNEdit;

// A field as a window's description gives it: its name, place and size, its
// text, then its real value (when not 0), its integer value and its kind,
// each through its setter, so that it shows its value in the display format
// of its kind.
TNEdit* make_field(QWidget* parent, const char* name, int left, int top, int width, int height, const char* text,
                   long double real_value, std::int32_t int_value, tipo_campo kind);

class TNEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TNEdit(QWidget* parent = nullptr);

    long double panel_real() const { return panel_real_; }
    std::int32_t panel_int() const { return panel_int_; }
    tipo_campo field_type() const { return field_type_; }

    void set_panel_real(long double x);
    void set_panel_int(std::int32_t n);
    void set_field_type(tipo_campo t);

    // The exit check on its own: parses the text by the field's kind and
    // stores the value; throws zelvar::Error when the text is refused (the
    // stored value and the text are then unchanged).
    void exit_check();

    // Runs the exit check as leaving the field does; on refusal shows the
    // error box and returns false.  On success emits `exited` and returns true.
    bool leave();

    // True while a refused field takes the focus back: the control that
    // briefly held the focus has not really been left.
    static bool restoring_focus();

signals:
    // The field's own exit action (runs only after an accepted check).
    void exited();
    // A value was stored: by a setter or by an accepted exit check (for
    // windows that follow a field; the field's own actions use `exited`).
    void stored();

protected:
    void focusOutEvent(QFocusEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    friend class ExitCheckFilter;
    // The focus left the field before it could check: check now, and on
    // refusal take the focus back and show the box after the current event.
    void check_after_focus_left(bool by_mouse);
    void show_text(const std::string& text);

    long double panel_real_ = 0;
    std::int32_t panel_int_ = 0;
    tipo_campo field_type_ = tipo_campo::real_field;
};

}  // namespace zelvar
