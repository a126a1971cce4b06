// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/radio_group_widget.h"

#include <QRadioButton>
#include <QVBoxLayout>

namespace zelvar {

TRadioGroup::TRadioGroup(const QString& caption, const QStringList& items, QWidget* parent)
    : QGroupBox(caption, parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(3, 2, 0, 2);
    layout->setSpacing(0);
    for (const QString& text : items) {
        auto* button = new QRadioButton(text, this);
        layout->addWidget(button);
        buttons_.push_back(button);
        connect(button, &QRadioButton::toggled, this, [this] { fix_tab_stop(); });
    }
    fix_tab_stop();
}

void TRadioGroup::fix_tab_stop() {
    // The group is one stop of the tab chain: Tab lands on the selected item
    // (the first one while none is selected); the arrow keys move between
    // the items, and a click reaches any of them.
    const int selected = item_index();
    for (int i = 0; i < count(); ++i) {
        const bool stop = i == (selected >= 0 ? selected : 0);
        buttons_[static_cast<std::size_t>(i)]->setFocusPolicy(stop ? Qt::StrongFocus : Qt::ClickFocus);
    }
}

int TRadioGroup::item_index() const {
    for (std::size_t i = 0; i < buttons_.size(); ++i)
        if (buttons_[i]->isChecked()) return static_cast<int>(i);
    return -1;
}

void TRadioGroup::set_item_index(int index) {
    if (index >= 0 && index < count()) buttons_[static_cast<std::size_t>(index)]->setChecked(true);
}

}  // namespace zelvar
