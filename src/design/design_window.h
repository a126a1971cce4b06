#pragma once
// TFdesign: the design window, the program's main window.  It holds the
// inputs of the network design, the buttons 'Design "ZELVAR"', "Simulate"
// and "Spark gap magnifier", and Memo1, the report log of the whole program.
#include <QPlainTextEdit>
#include <QStringList>
#include <QWidget>
#include <vector>

#include "design/design_run.h"
#include "report/report_log.h"

class QCheckBox;
class QCloseEvent;
class QContextMenuEvent;
class QKeyEvent;
class QFrame;
class QLabel;
class QPushButton;

namespace zelvar {

class TNEdit;
class TRadioGroup;
class TFparam;
class TFidealmag;
class TFmodes;
class TFwindings;
struct SimDocument;

// The report log: a multi-line box that the user may edit; each report line
// goes after whatever the box then holds and is scrolled into view.
//
// The program only ever appends: its lines are not steps of the edit
// history.  The user's own edits (typing, deleting, pasting, cutting) are, and
// Ctrl+Z / the redo keys and the context menu take them back and forth one
// step at a time; typing or deleting in one run is one step.
class TMemo : public QPlainTextEdit, public ReportSink {
    Q_OBJECT
public:
    explicit TMemo(QWidget* parent = nullptr);
    // The text the log starts with (not an edit).
    void set_start_text(const QString& text);
    // Latin-1 report text; the micro sign (0xB5) shows as µ.
    void append_line(const std::string& latin1) override;

    // The user's edits.
    bool can_undo_edit() const { return !undo_.empty(); }
    bool can_redo_edit() const { return !redo_.empty(); }
    void undo_edit();
    void redo_edit();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // One step: at `position`, `removed` was replaced by `added` (text with
    // U+2029 between lines, as the box holds it).
    struct Edit {
        int position;
        QString removed;
        QString added;
    };
    void contents_changed(int position, int removed, int added);
    void record(Edit edit);
    void apply(const Edit& edit, bool backwards);
    QString text_at(int position, int length) const;

    std::vector<Edit> undo_, redo_;
    QString shadow_;             // the box's text as of the last change seen
    bool own_change_ = false;    // the program is changing the text
    bool merge_open_ = false;    // the next typing may join the last step
};

// Sets NEC1, NEC2, NEC3, NEL1, NEL2, NEL3 and NEk12 of the simulation
// parameter window, in this order, through the real-value setter.
void write_element_fields(TFparam& param, const ElementValues& values);

// The 50 lines the report log starts with.
const QStringList& design_help_lines();

class TFdesign : public QWidget, public DesignHandOver {
    Q_OBJECT
public:
    explicit TFdesign(SimDocument& state, QWidget* parent = nullptr);

    // The windows this one reaches (set once at start-up).
    void set_windows(TFparam* param, TFidealmag* idealmag);
    // "Windings" opens this window (set once at start-up).
    void set_windings_window(TFwindings* windings) { windings_ = windings; }

    // The report log of the program.
    ReportSink& report_log() { return *Memo1; }

    // A complete design: eight fields of the simulation parameter window,
    // then "Simulate" enabled.
    void hand_over_to_simulation(const DesignResults& results) override;

    // "Simulate" and "Windings" enabled (nothing disables them again).
    void enable_simulate();

    // The report log's text as a UTF-8 file (the micro sign as µ, each line
    // ended by a line feed), written whole or not at all: a failed write
    // keeps the old file and raises zelvar::Error naming the file and the
    // system's reason ("Report file F cannot be written: ...").
    void save_report(const std::string& path);

    // Controls, named as the window describes them.
    QLabel *Label1, *Label2, *Label3, *Label4, *Label5, *Label6, *Label7, *Label8, *Label9, *Label10;
    TNEdit *NEk, *NEl, *NEm, *NEn, *NEC1, *NEC3, *NEL3, *NEg1, *NEg2;
    TRadioGroup* RGexcitation;
    QFrame* Bevel1;
    QCheckBox *CBC1, *CBC2;
    QPushButton *Bdesign, *Button1, *Bsimulate;
    TMemo* Memo1;
    // "Modes...": the mode explorer (after the window's own controls).
    QPushButton* Bmodes;
    // The explorer's window, created by the first "Modes..." (nullptr before).
    TFmodes* modes_window() const { return modes_; }
    // "Windings": the coil set for the parameter window's values (after the
    // window's own controls, out of the Tab chain; Alt+W presses it).
    // Enabled with "Simulate".
    QPushButton* Bwindings;

public slots:
    void BdesignClick();
    void BsimulateClick();
    void Button1Click();
    // Ctrl+S: asks for a file and saves the report log there.
    void save_report_command();
    // Ctrl+O: asks for a value file and loads it into the simulation
    // parameter window, as its "Load values…" does.
    void load_values_command();
    // Opens the mode explorer on the current C1, C3, L3, excitation and
    // energy-left options.
    void BmodesClick();
    // Puts the mode into NEk, NEl, NEm and NEn and runs the design as
    // 'Design "ZELVAR"' does.
    void choose_mode(std::int32_t k, std::int32_t l, std::int32_t m, std::int32_t n);
    // Solves the windings for the parameter window's values and shows them.
    void BwindingsClick();
    // The same after writing the other inputs the explorer's table was built
    // from (C1, C3, L3, excitation, energy-left options) into their fields.
    void choose_mode(const DesignInputs& from, std::int32_t k, std::int32_t l, std::int32_t m, std::int32_t n);

protected:
    // Closing the main window ends the program.
    void closeEvent(QCloseEvent* event) override;

private:
    // The design's inputs as the fields and options hold them.
    DesignInputs read_inputs() const;

    SimDocument& state_;
    TFparam* param_ = nullptr;
    TFidealmag* idealmag_ = nullptr;
    TFmodes* modes_ = nullptr;
    TFwindings* windings_ = nullptr;
};

}  // namespace zelvar
