// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Puts the tooltips of widgets/field_tooltips.h on the numeric fields of a
// window.
class QWidget;

namespace zelvar {

// Every numeric field (TNEdit) inside `window` that the table knows gets its
// tooltip; the captions stay as they are.
void apply_field_tooltips(QWidget* window);

}  // namespace zelvar
