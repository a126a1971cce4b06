// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/field_tooltip_widget.h"

#include <QWidget>

#include "widgets/field_tooltips.h"
#include "widgets/tnedit_widget.h"

namespace zelvar {

void apply_field_tooltips(QWidget* window) {
    // Each field by the window it stands in (a window may own others).
    for (TNEdit* field : window->findChildren<TNEdit*>())
        if (const char* tip = field_tooltip(field->window()->objectName().toStdString(),
                                            field->objectName().toStdString()))
            field->setToolTip(QString::fromUtf8(tip));
}

}  // namespace zelvar
