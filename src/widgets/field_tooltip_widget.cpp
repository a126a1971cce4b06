#include "widgets/field_tooltip_widget.h"

#include <QWidget>

#include "widgets/field_tooltips.h"
#include "widgets/tnedit_widget.h"

namespace zelvar {

void apply_field_tooltips(QWidget* window) {
    const std::string name = window->objectName().toStdString();
    for (TNEdit* field : window->findChildren<TNEdit*>())
        if (const char* tip = field_tooltip(name, field->objectName().toStdString()))
            field->setToolTip(QString::fromUtf8(tip));
}

}  // namespace zelvar
