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
