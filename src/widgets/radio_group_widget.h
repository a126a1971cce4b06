// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// TRadioGroup: a captioned frame of radio buttons with one selected item;
// one stop of the tab chain, at the selected item.
#include <QGroupBox>
#include <QStringList>
#include <vector>

class QRadioButton;

namespace zelvar {

class TRadioGroup : public QGroupBox {
    Q_OBJECT
public:
    TRadioGroup(const QString& caption, const QStringList& items, QWidget* parent = nullptr);

    int item_index() const;          // -1 when no item is selected
    void set_item_index(int index);  // selects that item
    QRadioButton* item(int index) const { return buttons_.at(static_cast<std::size_t>(index)); }
    int count() const { return static_cast<int>(buttons_.size()); }

private:
    // Only the selected item takes the focus by Tab.
    void fix_tab_stop();

    std::vector<QRadioButton*> buttons_;
};

}  // namespace zelvar
