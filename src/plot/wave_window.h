#pragma once
// TFwave: the waveform window.  Its paint box draws the sample store and the
// reference store; a paint with the dirty flag set first runs the simulation.
// The last drawing is kept as an image: the zoom rectangle is drawn over it,
// so that moving the mouse never lays the plot out again.
#include <QImage>
#include <QRegion>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "plot/plot_geometry.h"
#include "plot/plot_render.h"
#include "plot/readout.h"
#include "report/report_log.h"
#include "sim/sim_params.h"
#include "sim/sim_document.h"

class QPainter;
class QKeyEvent;

namespace zelvar {

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
    // The sample under the readout's cursor (-1 when the readout is hidden),
    // the readout's lines, and the markers' samples (A, then B).
    std::int32_t cursor_sample() const { return hover_ ? hover_sample_ : -1; }
    std::vector<ReadoutLine> readout() const;
    std::vector<std::int32_t> markers() const;

    // Event handlers, named after their controls.
    void PaintBox1Paint(QPainter& painter);
    void PaintBox1MouseDown(int x, int y);
    void PaintBox1MouseMove(int x, int y);
    void PaintBox1MouseUp();
    void FormKeyPress(char key);
    // Ctrl+0: the view of the whole run again, as the run left it (no new
    // run); nothing before a completed run.
    void WholeRunView();
    // The readout: a move with no button held (Shift snaps to an extremum of
    // v3), the mouse leaving the paint box, Ctrl+click (a marker), and
    // Ctrl+Left / Ctrl+Right (one sample back or on).
    void PaintBox1MouseHover(int x, int y, bool snap);
    void PaintBox1MouseLeave();
    void PaintBox1CtrlClick(int x, int y, bool snap);
    void CursorStep(int step);

    // The current view as a picture (the renderer's, without the cursor,
    // markers or zoom rectangle), and saved by the file's type: ".png" and
    // ".svg" the picture, ".csv" the samples inside the time window.  Ctrl+S
    // asks for the file, Ctrl+C copies the picture.  Errors raise
    // zelvar::Error.
    QImage picture();
    void save_view(const QString& path);
    void FileSave();
    void CopyPicture();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool run_if_dirty();
    PlotPicture current_picture();
    void lay_out();
    void draw_zoom_outline(QPainter& painter);
    void repaint_outline(std::int32_t old_x1, std::int32_t old_y1);
    std::int32_t sample_at(int x, bool snap) const;
    bool readout_possible() const;
    bool sample_pixel(std::int32_t k, std::int32_t& x) const;
    void draw_markers(QPainter& painter);
    QRect draw_readout(QPainter* painter);
    void show_readout(bool on, std::int32_t sample, int y);
    void repaint_overlay(const QRegion& region);
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
    QImage last_drawing_;  // its pixels (null when the paint drew nothing)
    // A fault of the drawing has been shown; it is not shown again until the
    // user asks for a new picture (a run, a key command, a zoom, "Plot").
    bool drawing_fault_shown_ = false;

    // Zoom rectangle.
    bool dragging_ = false;
    std::int32_t drag_x0_ = 0, drag_y0_ = 0, drag_x1_ = 0, drag_y1_ = 0;
    // A repaint asked for by the zoom rectangle only: it shows the last
    // drawing again, never lays the plot out and never starts a run.
    bool outline_only_ = false;

    // Readout: the cursor's sample and the height of the mouse; the region
    // the readout covered when last drawn.
    bool hover_ = false;
    std::int32_t hover_sample_ = -1;
    int hover_y_ = 0;
    QRegion hover_region_;
    // Markers A and B (samples of the current run).
    std::int32_t markers_[2] = {-1, -1};
    int marker_count_ = 0;

    // Work buffers of the drawing, kept between paints.
    PlotScratch scratch_;
};

}  // namespace zelvar
