#include "widgets/tnedit_widget.h"

#include <QFocusEvent>

#include "app/error_box_widget.h"
#include "app/faults.h"

namespace zelvar {

TNEdit::TNEdit(QWidget* parent) : QLineEdit(parent) {}

void TNEdit::set_panel_real(long double x) {
    panel_real_ = x;
    if (field_type_ == tipo_campo::real_field) setText(QString::fromStdString(real_display_text(x)));
}

void TNEdit::set_panel_int(std::int32_t n) {
    panel_int_ = n;
    if (field_type_ == tipo_campo::int_field) setText(QString::fromStdString(int_display_text(n)));
}

void TNEdit::set_field_type(tipo_campo t) {
    field_type_ = t;
    if (t == tipo_campo::real_field)
        setText(QString::fromStdString(real_display_text(panel_real_)));
    else if (t == tipo_campo::int_field)
        setText(QString::fromStdString(int_display_text(panel_int_)));
}

void TNEdit::exit_check() {
    const std::string typed = text().toUtf8().toStdString();
    if (field_type_ == tipo_campo::real_field)
        panel_real_ = parse_real(typed);
    else if (field_type_ == tipo_campo::int_field)
        panel_int_ = parse_int(typed);
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
    // Activating another window does not check the field.
    if (event->reason() == Qt::ActiveWindowFocusReason || event->reason() == Qt::PopupFocusReason) return;
    leave();
}

}  // namespace zelvar
