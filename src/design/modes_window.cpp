#include "design/modes_window.h"

#include <QCloseEvent>
#include <QHeaderView>
#include <QKeySequence>
#include <QShortcut>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>

#include <exception>

#include "app/error_box_widget.h"
#include "report/format.h"
#include "widgets/field_tooltip_widget.h"
#include "widgets/tnedit_widget.h"

namespace zelvar {

NumericItem::NumericItem(const QString& text, double value) : QTableWidgetItem(text) {
    setData(Qt::UserRole, value);
    setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

bool NumericItem::operator<(const QTableWidgetItem& other) const {
    return data(Qt::UserRole).toDouble() < other.data(Qt::UserRole).toDouble();
}

TFmodes::TFmodes(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("Fmodes");
    setWindowTitle("Mode explorer");
    resize(1060, 520);
    setAttribute(Qt::WA_QuitOnClose, false);

    auto* label = new QLabel("Largest k12:", this);
    label->setObjectName("Lk12max");
    label->setGeometry(8, 8, 80, 21);
    NEk12max = make_field(this, "NEk12max", 92, 8, 121, 21, "1", 1, 0, tipo_campo::real_field);
    label->setBuddy(NEk12max);
    Bcancel = new QPushButton("Cancel", this);
    Bcancel->setObjectName("Bcancel");
    Bcancel->setGeometry(224, 6, 75, 25);
    Bcancel->setEnabled(false);
    progress = new QProgressBar(this);
    progress->setObjectName("progress");
    progress->setGeometry(308, 8, 200, 21);
    status = new QLabel(this);
    status->setObjectName("status");
    status->setGeometry(516, 8, 536, 21);

    table = new QTableWidget(this);
    table->setObjectName("table");
    table->setGeometry(8, 38, 1044, 474);
    const std::vector<ModeColumn>& columns = mode_columns();
    table->setColumnCount(static_cast<int>(columns.size()));
    QStringList heads;
    for (const ModeColumn& c : columns) heads << QString::fromLatin1(c.title.c_str());
    table->setHorizontalHeaderLabels(heads);
    table->verticalHeader()->setVisible(false);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSortingEnabled(true);
    // Widths from every row, not only those in view.
    table->horizontalHeader()->setResizeContentsPrecision(-1);
    connect(table->horizontalHeader(), &QHeaderView::sortIndicatorChanged, this,
            [this] { QMetaObject::invokeMethod(this, [this] { size_columns(); }, Qt::QueuedConnection); });
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);

    apply_field_tooltips(this);

    timer_ = new QTimer(this);
    timer_->setInterval(50);
    connect(timer_, &QTimer::timeout, this, &TFmodes::poll);
    connect(Bcancel, &QPushButton::clicked, this, &TFmodes::BcancelClick);
    connect(NEk12max, &TNEdit::exited, this, &TFmodes::apply_filter);
    connect(NEk12max, &QLineEdit::returnPressed, this, [this] { NEk12max->leave(); });
    connect(table, &QTableWidget::cellDoubleClicked, this, [this](int row, int) {
        run_guarded(this, [&] {
            std::int32_t mode[4];
            for (int c = 0; c < 4; ++c) mode[c] = static_cast<std::int32_t>(table->item(row, c)->data(Qt::UserRole).toInt());
            if (on_choose) on_choose(table_inputs_, mode[0], mode[1], mode[2], mode[3]);
        });
    });
}

TFmodes::~TFmodes() { stop_worker(); }

void TFmodes::stop_worker() {
    if (!worker_.joinable()) return;
    progress_->cancel = true;
    worker_.join();
    timer_->stop();
}

void TFmodes::explore(const DesignInputs& base, std::int32_t max) {
    stop_worker();
    const std::uint64_t generation = ++generation_;
    progress_ = std::make_unique<ExploreProgress>();
    total_ = mode_count(max);
    progress->setRange(0, total_);
    progress->setValue(0);
    pending_inputs_ = base;
    show_status(QString("Designing %1 modes...").arg(total_));
    Bcancel->setEnabled(true);
    ExploreProgress* shared = progress_.get();
    worker_ = std::thread([this, base, max, generation, shared] {
        std::vector<ModeRow> rows;
        std::string error;
        try {
            rows = explore_modes(base, max, shared);
        } catch (const std::exception& e) {
            error = e.what();
        } catch (...) {
            error = "Unknown error";
        }
        const bool cancelled = shared->cancel.load();
        // The results reach the window on its own thread.
        QMetaObject::invokeMethod(
            this,
            [this, generation, rows = std::move(rows), error, cancelled]() mutable {
                finish(generation, std::move(rows), error, cancelled);
            },
            Qt::QueuedConnection);
    });
    timer_->start();
}

void TFmodes::poll() {
    if (progress_) progress->setValue(progress_->done.load());
}

void TFmodes::BcancelClick() {
    if (progress_) progress_->cancel = true;
}

void TFmodes::finish(std::uint64_t generation, std::vector<ModeRow> rows, std::string error, bool cancelled) {
    if (generation != generation_) return;  // an exploration replaced since
    if (worker_.joinable()) worker_.join();
    timer_->stop();
    Bcancel->setEnabled(false);
    progress->setValue(progress_->done.load());
    if (!error.empty()) {
        show_status("Stopped by an error.");
        show_error_box(this, error);
        return;
    }
    if (cancelled) {
        show_status(QString("Cancelled after %1 of %2 modes; the table is unchanged.").arg(rows.size()).arg(total_));
        return;
    }
    rows_ = std::move(rows);
    table_inputs_ = pending_inputs_;
    fill_table();
}

void TFmodes::fill_table() {
    const std::vector<ModeRow> shown = select_modes(rows_, 1e30L, false);
    table->setSortingEnabled(false);
    table->clearContents();
    table->setRowCount(static_cast<int>(shown.size()));
    for (int r = 0; r < static_cast<int>(shown.size()); ++r) {
        const ModeRow& row = shown[r];
        const std::vector<std::string> cells = mode_cells(row);
        const long double values[] = {static_cast<long double>(row.k), static_cast<long double>(row.l),
                                      static_cast<long double>(row.m), static_cast<long double>(row.n),
                                      row.k12, row.fin, row.f[0], row.f[1], row.f[2], row.t_transfer,
                                      row.cycles, row.L1, row.C2, row.L2};
        for (int c = 0; c < static_cast<int>(cells.size()); ++c)
            table->setItem(r, c, new NumericItem(QString::fromLatin1(cells[c].c_str()), static_cast<double>(values[c])));
    }
    table->setSortingEnabled(true);
    table->sortItems(4, Qt::AscendingOrder);
    apply_filter();
}

void TFmodes::size_columns() { table->resizeColumnsToContents(); }

void TFmodes::show_status(const QString& what) {
    QString text = what;
    if (!text.isEmpty()) text += ' ';
    text += QString("Filter: k12 up to %1.").arg(QString::fromStdString(real_display_text(limit_)));
    status->setText(text);
}

void TFmodes::closeEvent(QCloseEvent* event) {
    BcancelClick();
    event->accept();
}

void TFmodes::apply_filter() {
    limit_ = NEk12max->panel_real();
    const double limit = static_cast<double>(limit_);
    int visible = 0;
    for (int r = 0; r < table->rowCount(); ++r) {
        const bool hide = !(table->item(r, 4)->data(Qt::UserRole).toDouble() <= limit);
        table->setRowHidden(r, hide);
        visible += hide ? 0 : 1;
    }
    size_columns();
    if (busy())
        show_status(QString("Designing %1 modes...").arg(total_));
    else if (!rows_.empty())
        show_status(QString("%1 realizable modes of %2; %3 shown.").arg(table->rowCount()).arg(rows_.size()).arg(visible));
    else
        show_status(QString());
}

}  // namespace zelvar
