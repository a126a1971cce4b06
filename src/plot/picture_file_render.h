#pragma once
// The waveform picture as a file or an image, and the plot's font: shared by
// the waveform window and `zelvar-cli simulate --png/--svg`, so that both
// give the same pixels for the same run.  Needs Qt GUI and Qt SVG only.
#include <QFont>
#include <QImage>
#include <QStringList>
#include <array>
#include <functional>
#include <string>

#include "plot/plot_render.h"

namespace zelvar {

// The faces put in the place of "MS Sans Serif" where it is missing: they
// have about its width.  The Debian package fonts-dejavu-extra brings the last.
const QStringList& narrow_faces();

// Makes "MS Sans Serif" fall back on narrow_faces() (once per process).
void substitute_narrow_faces();

// The plot's font: "MS Sans Serif" 8 pt, drawn without smoothing.
QFont plot_font();

// The picture in pixels (black where nothing is drawn), its text laid out
// for the given resolution in dots per inch.  A fault of the drawing throws
// zelvar::Error.
QImage plot_image(const PlotPicture& picture, int dpi_x, int dpi_y);

// Any drawing as a picture file, through the atomic write: the image as a
// PNG file; or the SVG drawing of `draw` on a canvas of `size` pixels, whose
// returned text, when not empty, is a fault of the drawing that is thrown as
// zelvar::Error before anything is written.  A file that cannot be written
// throws zelvar::Error ("Picture file NAME cannot be written") and leaves an
// existing file whole.
void save_png_image(const std::string& path, const QImage& image);
void save_svg_drawing(const std::string& path, QSize size, const QString& title,
                      const std::function<std::string(QPainter&)>& draw);

// Writes the picture as a PNG file (plot_image) or as an SVG drawing,
// through the atomic write: a failure leaves an existing file whole.  Errors
// throw zelvar::Error ("Picture file NAME cannot be written: REASON").
void save_plot_png(const std::string& path, const PlotPicture& picture, int dpi_x, int dpi_y);
void save_plot_svg(const std::string& path, const PlotPicture& picture);

// The command line's pictures of a completed run: the waveform window's
// picture at width x height pixels, with the scale factors (record order)
// and the run's view, written as png and/or svg (an empty name writes
// nothing).  Creates a QGuiApplication on the offscreen platform when the
// process has none, and sets the font substitution the windows use; the
// resolution is the screen's, as the window's.  written(name) is called
// after each file is in place, before the next is begun.
void write_run_pictures(const std::string& png, const std::string& svg, int width, int height,
                        const SampleStore& samples, const ViewRecord& view,
                        const std::array<long double, kChannelRows>& scales,
                        const std::function<void(const std::string&)>& written = {});

}  // namespace zelvar
