#pragma once
// TFwave: the waveform window.  Its paint box draws the sample store and the
// reference store; a paint with the dirty flag set first runs the simulation.
#include <QPen>
#include <QPoint>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "plot/plot_geometry.h"
#include "report/report_log.h"
#include "sim/sim_params.h"
#include "sim/sim_document.h"

class QPainter;
class QKeyEvent;

namespace zelvar {

// The pen of a curve of channel-table row `row` (0..7): its colour, its
// width times `pen_factor` (1 for the current run, 4 for the reference),
// solid, with round ends and joins.
QPen curve_pen(int row, int pen_factor);

class TFwave : public QWidget {
    Q_OBJECT
public:
    // What the window reads from the simulation parameter window.
    struct Inputs {
        std::function<SimParams()> params;                   // every parameter, at the start of a run
        std::function<std::array<long double, 8>()> scales;  // the eight scale factors, record order
        std::function<void()> after_run;                     // a run ended: refresh "Save Ref."
    };

    TFwave(SimDocument& state, ReportSink& log, QWidget* parent = nullptr);
    void set_inputs(Inputs inputs);

    // "Plot": the caller has set the dirty flag; repaint and show the window.
    void replot();

    // The paint box filling the client area.
    QWidget* PaintBox1;

    // The plot area and pixel mapping of the last drawing.
    const PlotArea& last_area() const { return area_; }
    const PixelMap& last_map() const { return map_; }
    // The zoom rectangle being dragged, if any.
    bool dragging() const { return dragging_; }

    // Event handlers, named after their controls.
    void PaintBox1Paint(QPainter& painter);
    void PaintBox1MouseDown(int x, int y);
    void PaintBox1MouseMove(int x, int y);
    void PaintBox1MouseUp();
    void FormKeyPress(char key);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool run_if_dirty();
    void draw_plot(QPainter& painter);
    void draw_curves(QPainter& painter, const SampleStore& store, const std::array<long double, 8>& scales,
                     int pen_factor);
    void draw_zoom_outline(QPainter& painter);
    void repaint_outline(std::int32_t old_x1, std::int32_t old_y1);
    void report_error_later(const std::string& message);
    template <class Change>
    void change_view(Change change);

    SimDocument& state_;
    ReportSink& log_;
    Inputs inputs_;

    // Last drawing.
    PlotArea area_;
    PixelMap map_;
    bool drawn_ = false;  // a drawing with valid results has been made

    // Zoom rectangle.
    bool dragging_ = false;
    std::int32_t drag_x0_ = 0, drag_y0_ = 0, drag_x1_ = 0, drag_y1_ = 0;
    // A repaint asked for by the zoom rectangle only: it redraws what the
    // window shows and never starts a run.
    bool outline_only_ = false;

    // Work buffers of one paint, grown to the largest store drawn.
    std::vector<PixelPoint> rows_[kChannelRows];
    std::vector<QPoint> qpoints_;
};

}  // namespace zelvar
