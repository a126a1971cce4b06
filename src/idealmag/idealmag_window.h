// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// TFidealmag: the ideal (spark-gap) magnifier window.  "Apply" designs the
// magnifier into the report log and, with "Update elements" checked, copies
// the elements into the simulation parameter window.
#include <QWidget>

class QCheckBox;
class QCloseEvent;
class QHideEvent;
class QMoveEvent;
class QResizeEvent;
class QShowEvent;
class QLabel;
class QPushButton;

namespace zelvar {

class TNEdit;
class TFparam;
class TFdesign;

class TFidealmag : public QWidget {
    Q_OBJECT
public:
    explicit TFidealmag(QWidget* parent = nullptr);

    // The windows this one reaches (set once at start-up); the report goes
    // to the design window's log.
    void set_windows(TFparam* param, TFdesign* design);

    TNEdit *NEk, *NEl, *NEm, *NEC1, *NEL3, *NEC3, *NEVC1;
    QPushButton* Bapply;
    QCheckBox* CBupdate;

public slots:
    void BapplyClick();

protected:
    void closeEvent(QCloseEvent* event) override;
    // Opened the first time centred on the screen by the window's real
    // outer size: at once by what is known then, again when the window
    // manager's frame becomes known (until the window is first hidden).
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void centre_on_screen();
    void recentre_if_frame_changed();

    bool shown_once_ = false;
    bool centring_ = false;
    QSize centred_margins_;
    TFparam* param_ = nullptr;
    TFdesign* design_ = nullptr;
};

}  // namespace zelvar
