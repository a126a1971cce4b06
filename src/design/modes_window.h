#pragma once
// TFmodes: the mode explorer's window.  It designs every mode up to 21 with
// a snapshot of the design window's other inputs, on a worker thread with a
// progress bar and Cancel, and lists the realizable modes in a sortable
// table with a filter on the largest k12 (applied on Return and when the
// field is left; the status line names the limit in force).  A double-click
// on a row hands its mode, with the inputs the table was built from, to the
// design window.  Escape and closing the window cancel an exploration.
#include <QTableWidgetItem>
#include <QWidget>

#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "design/mode_explorer.h"

class QCloseEvent;
class QLabel;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QTimer;

namespace zelvar {

class TNEdit;

// A table cell that sorts by its number (Qt::UserRole), not its text.
class NumericItem : public QTableWidgetItem {
public:
    NumericItem(const QString& text, double value);
    bool operator<(const QTableWidgetItem& other) const override;
};

class TFmodes : public QWidget {
    Q_OBJECT
public:
    explicit TFmodes(QWidget* parent = nullptr);
    ~TFmodes() override;

    // Starts designing every mode up to max with these inputs (their k, l,
    // m, n ignored); a running exploration is cancelled first.  The table
    // is filled when it ends.
    void explore(const DesignInputs& base, std::int32_t max = 21);
    // True while an exploration runs.
    bool busy() const { return worker_.joinable(); }

    // Called with the inputs the table was built from and the mode of a
    // double-clicked row.
    std::function<void(const DesignInputs& from, std::int32_t k, std::int32_t l, std::int32_t m, std::int32_t n)>
        on_choose;

    // The rows of the last completed exploration (all modes, in mode order),
    // and the inputs it designed them with.
    const std::vector<ModeRow>& rows() const { return rows_; }
    const DesignInputs& table_inputs() const { return table_inputs_; }
    // The largest k12 of the filter in force.
    long double k12_limit() const { return limit_; }

    QTableWidget* table;
    TNEdit* NEk12max;
    QPushButton* Bcancel;
    QProgressBar* progress;
    QLabel* status;

public slots:
    void BcancelClick();
    // Hides the rows whose k12 is above the filter field's value.
    void apply_filter();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void poll();
    void size_columns();
    void show_status(const QString& what);
    void finish(std::uint64_t generation, std::vector<ModeRow> rows, std::string error, bool cancelled);
    void fill_table();
    void stop_worker();

    std::thread worker_;
    std::unique_ptr<ExploreProgress> progress_;
    std::uint64_t generation_ = 0;
    std::int32_t total_ = 0;
    QTimer* timer_;
    std::vector<ModeRow> rows_;
    DesignInputs pending_inputs_, table_inputs_;
    long double limit_ = 1;
};

}  // namespace zelvar
