// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/error_box_widget.h"

#include <QMessageBox>
#include <QWidget>

#include "app/faults.h"

namespace zelvar {

void show_error_box(QWidget* parent, const std::string& message) {
    QMessageBox box(QMessageBox::Critical, QString::fromLatin1(kAppTitle),
                    QString::fromStdString(error_box_text(message)), QMessageBox::Ok, parent);
    box.setObjectName("ErrorBox");
    // The message may hold what the user typed: shown character for
    // character, never read as markup.
    box.setTextFormat(Qt::PlainText);
    box.exec();
    // As the box closes, its owner's window becomes the active one again
    // (the focus goes back to the control that had it there).
    if (parent != nullptr && parent->window()->isVisible()) parent->window()->activateWindow();
}

}  // namespace zelvar
