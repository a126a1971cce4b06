#include "app/error_box_widget.h"

#include <QMessageBox>

#include "app/faults.h"

namespace zelvar {

void show_error_box(QWidget* parent, const std::string& message) {
    QMessageBox box(QMessageBox::Critical, QString::fromLatin1(kAppTitle),
                    QString::fromStdString(error_box_text(message)), QMessageBox::Ok, parent);
    box.setObjectName("ErrorBox");
    box.exec();
}

}  // namespace zelvar
