#pragma once
// TFidealmag: the ideal (spark-gap) magnifier window.  "Apply" designs the
// magnifier into the report log and, with "Update elements" checked, copies
// the elements into the simulation parameter window.
#include <QWidget>

class QCheckBox;
class QCloseEvent;
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

private:
    TFparam* param_ = nullptr;
    TFdesign* design_ = nullptr;
};

}  // namespace zelvar
