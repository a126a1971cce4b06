#include "plot/picture_file_render.h"

#include <QBuffer>
#include <QByteArray>
#include <QGuiApplication>
#include <QScreen>
#include <QPainter>
#include <QSvgGenerator>
#include <cmath>
#include <cstdio>
#include <memory>

#include "app/atomic_file.h"
#include "app/faults.h"

namespace zelvar {

namespace {

// The toolkit's own notes (a missing runtime folder, ...) would mix with the
// command's report on standard error: only its errors are shown.
void toolkit_errors_only(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg) std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}

int dots_per_meter(int dpi) { return static_cast<int>(std::lround(dpi / 0.0254)); }

void write_picture(const std::string& path, const QByteArray& bytes) {
    write_named_file("Picture", path, std::string(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

// The picture could not be made (the toolkit's encoder or painter failed).
[[noreturn]] void not_encoded(const std::string& path) {
    throw Error("Picture file " + path + " cannot be written: the picture could not be encoded");
}

}  // namespace

const QStringList& narrow_faces() {
    static const QStringList faces = {QStringLiteral("Microsoft Sans Serif"), QStringLiteral("Tahoma"),
                                      QStringLiteral("DejaVu Sans Condensed")};
    return faces;
}

void substitute_narrow_faces() { QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"), narrow_faces()); }

QFont plot_font() {
    QFont font(QStringLiteral("MS Sans Serif"), 8);
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

QImage plot_image(const PlotPicture& picture, int dpi_x, int dpi_y) {
    QImage image(picture.size, QImage::Format_RGB32);
    image.setDotsPerMeterX(dots_per_meter(dpi_x));
    image.setDotsPerMeterY(dots_per_meter(dpi_y));
    image.fill(Qt::black);
    QPainter p(&image);
    const PlotLayout layout = render_plot(p, picture);
    p.end();
    if (!layout.fault.empty()) throw Error(layout.fault);
    return image;
}

void save_plot_png(const std::string& path, const PlotPicture& picture, int dpi_x, int dpi_y) {
    const QImage image = plot_image(picture, dpi_x, dpi_y);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) not_encoded(path);
    buffer.close();
    write_picture(path, bytes);
}

void save_plot_svg(const std::string& path, const PlotPicture& picture) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(picture.size);
    svg.setViewBox(QRect(QPoint(0, 0), picture.size));
    svg.setTitle(QStringLiteral("Waveforms"));
    QPainter p;
    if (!p.begin(&svg)) not_encoded(path);
    const PlotLayout layout = render_plot(p, picture);
    if (!p.end()) not_encoded(path);
    if (!layout.fault.empty()) throw Error(layout.fault);
    buffer.close();
    write_picture(path, bytes);
}

void write_run_pictures(const std::string& png, const std::string& svg, int width, int height,
                        const SampleStore& samples, const ViewRecord& view,
                        const std::array<long double, kChannelRows>& scales,
                        const std::function<void(const std::string&)>& written) {
    std::unique_ptr<QGuiApplication> app;
    if (QCoreApplication::instance() == nullptr) {
        qInstallMessageHandler(toolkit_errors_only);
        // No argument of the command reaches the toolkit.
        static int argc = 3;
        static char arg0[] = "zelvar-cli", arg1[] = "-platform", arg2[] = "offscreen";
        static char* argv[] = {arg0, arg1, arg2, nullptr};
        app = std::make_unique<QGuiApplication>(argc, argv);
    }
    substitute_narrow_faces();
    QScreen* screen = QGuiApplication::primaryScreen();
    const int dpi_x = screen != nullptr ? qRound(screen->logicalDotsPerInchX()) : 96;
    const int dpi_y = screen != nullptr ? qRound(screen->logicalDotsPerInchY()) : 96;
    PlotPicture picture;
    picture.size = QSize(width, height);
    picture.font = plot_font();
    picture.samples = &samples;
    picture.view = view;
    picture.scales = scales;
    if (!png.empty()) {
        save_plot_png(png, picture, dpi_x, dpi_y);
        if (written) written(png);
    }
    if (!svg.empty()) {
        save_plot_svg(svg, picture);
        if (written) written(svg);
    }
}

}  // namespace zelvar
