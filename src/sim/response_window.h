#pragma once
// TFresponse: the frequency response of the circuit in the simulation
// parameter window.  Three panels over one logarithmic frequency axis:
// |V3/Vin| in dB, |Zin| on a logarithmic scale and the phase of Zin; the
// resonances of the network without losses and load (dashed, f1 to f3) and
// the source frequency (fin) are marked; under the mouse a cursor and a
// readout of the nearest computed point.  Beside the plot: the range and the
// number of points, the natural frequencies of the circuit with their decay
// rate and Q, and the response at fin, as `zelvar-cli response` prints them.
// A drag over the plot zooms into the frequencies under it, Ctrl+0 shows
// the whole curve again; "Save..." writes the curve (CSV, as `response
// --csv`) or the picture (PNG, SVG).  The window follows the parameter
// window's fields while it is shown; an error replaces the curve.  Escape
// closes it.
#include <QWidget>

#include <functional>
#include <string>
#include <vector>

#include "report/report_log.h"
#include "sim/freq_response.h"
#include "sim/response_plot.h"

class QLabel;
class QPushButton;
class QTableWidget;
class QTimer;

namespace zelvar {

class TNEdit;

// The drawing; its geometry is public for the tests.
class ResponsePlot : public QWidget {
    Q_OBJECT
public:
    explicit ResponsePlot(QWidget* parent = nullptr);

    void set_curve(std::vector<ResponsePoint> curve, std::vector<NaturalFrequency> resonances, long double fin);
    // No curve; the plot shows `message` instead.
    void set_message(const std::string& message);
    const std::vector<ResponsePoint>& curve() const { return curve_; }
    const std::vector<NaturalFrequency>& resonances() const { return resonances_; }

    // The layout of the current size, curve and view.
    const ResponseLayout& layout() const;
    // The frequencies shown (from = to = 0: the whole curve).
    const ResponseView& view() const { return view_; }
    void set_view(const ResponseView& view);
    // Ctrl+0: the whole curve.
    void whole_curve() { set_view(ResponseView{}); }

    // The horizontal pixel of a frequency, and the index of the computed
    // point nearest to a pixel column (-1 outside the plot or without curve).
    double x_of(long double f) const;
    int index_at(double x) const;
    // The point under the cursor (-1: none).
    int cursor() const { return cursor_; }

signals:
    // The mouse moved to the computed point `index` (-1: left the plot).
    void pointed(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    std::vector<ResponsePoint> curve_;
    std::vector<NaturalFrequency> resonances_;
    long double fin_ = 0;
    std::string message_ = "No response computed.";
    ResponseView view_;
    int cursor_ = -1;
    bool dragging_ = false;
    double drag_x0_ = 0, drag_x1_ = 0;
    mutable ResponseLayout layout_;
    mutable bool layout_valid_ = false;
    mutable QSize layout_size_;
};

class TFresponse : public QWidget {
    Q_OBJECT
public:
    explicit TFresponse(QWidget* parent = nullptr);

    // Where the window reads the circuit when its inputs change, and where it
    // announces the files it writes (both may be left unset).
    void set_inputs(std::function<SimParams()> read_params, ReportSink* log);

    // Computes the response of the circuit over the range of the fields (0
    // for From or To: half the lowest or twice the highest natural
    // frequency) and shows it with its natural frequencies and its response
    // at fin.  An error is shown in the window in place of the curve and
    // raised as zelvar::Error.
    void show_response(const SimParams& p);
    // The parameter window's fields changed: shown again soon, when the
    // window is visible (an error is shown in the window only).
    void inputs_changed();

    // The readout text for a computed point (UTF-8).
    QString readout_text(int index) const;
    // Writes the curve (".csv", as `zelvar-cli response --csv`) or the
    // picture (".png", ".svg"); the file is announced.  Errors raise
    // zelvar::Error.
    void save_response(const QString& path);

    // The range the fields ask for, around the given natural frequencies.
    ResponseRange range_for(const std::vector<NaturalFrequency>& naturals) const;
    // The natural frequencies shown in the table.
    const std::vector<NaturalFrequency>& naturals() const { return naturals_; }

    ResponsePlot* plot;
    QLabel* readout;
    // After the plot: the range, Save, the tables.
    TNEdit *NEfrom, *NEto, *NEpoints;
    QPushButton* Bsave;
    QTableWidget* Tnatural;
    QLabel *Lfin, *Lrange, *Lerror;

public slots:
    void BsaveClick();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void show_error(const std::string& message);
    void refresh();

    std::function<SimParams()> read_params_;
    ReportSink* log_ = nullptr;
    std::vector<NaturalFrequency> naturals_;
    QString resonance_text_;
    QTimer* refresh_timer_;
};

}  // namespace zelvar
