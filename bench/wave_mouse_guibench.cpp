// SPDX-License-Identifier: GPL-3.0-or-later
// What a mouse move costs in the waveform window: the hover readout (cursor
// and readout box) and the zoom rectangle, both drawn over the last drawing,
// with 50 and with 50,000 samples, each with a reference of as many.  The
// window is shown on the offscreen platform; every move is one mouse event
// handled to the end, its repaint included.
//
//   wave_mouse_guibench [moves]
#include <QApplication>
#include <QMouseEvent>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "plot/wave_window.h"
#include "synthetic_waves.h"

using namespace zelvar;

namespace {

using Clock = std::chrono::steady_clock;

void button(QWidget* box, QEvent::Type type, QPoint p) {
    QMouseEvent e(type, QPointF(p), box->mapToGlobal(QPointF(p)), Qt::LeftButton,
                  type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(box, &e);
}

void move(QWidget* box, QPoint p, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
    QMouseEvent e(QEvent::MouseMove, QPointF(p), box->mapToGlobal(QPointF(p)), Qt::NoButton, buttons, modifiers);
    QApplication::sendEvent(box, &e);
}

struct Figures {
    double median_us, max_us;
};

// `moves` moves along a path across the plot area; the time of each.
template <class Move>
Figures time_moves(int moves, Move one) {
    std::vector<double> t;
    for (int i = 0; i < moves; ++i) {
        const QPoint p(100 + (i * 37) % 500, 60 + (i * 23) % 360);
        const auto a = Clock::now();
        one(p);
        t.push_back(std::chrono::duration<double, std::micro>(Clock::now() - a).count());
    }
    std::sort(t.begin(), t.end());
    return Figures{t[t.size() / 2], t.back()};
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int moves = argc > 1 ? std::max(10, std::atoi(argv[1])) : 400;

    for (const std::int32_t n : {50, kMaxPoints}) {
        auto doc = std::make_unique<SimDocument>();
        LineCollector log;
        const std::array<long double, 8> scales{1, 1, 1, 1, 1, 1000, 1000, 1000};
        TFwave wave(*doc, log);
        wave.set_inputs(TFwave::Inputs{[] { return SimParams{}; }, [&] { return scales; }, [] {}});
        bench::synthesize(doc->result.samples, n, 0.9L);
        save_reference(*doc);
        bench::synthesize(doc->result.samples, n, 1);
        doc->view = ViewRecord{0, 1.5e-5L, -200000, 200000};
        doc->results_valid = true;
        doc->dirty = false;
        wave.show();
        QApplication::processEvents();
        QWidget* box = wave.PaintBox1;
        box->repaint();

        const auto a = Clock::now();
        box->repaint();
        const double layout_ms = std::chrono::duration<double, std::milli>(Clock::now() - a).count();

        const Figures hover = time_moves(moves, [&](QPoint p) { move(box, p, Qt::NoButton, {}); });
        const Figures snap = time_moves(moves, [&](QPoint p) { move(box, p, Qt::NoButton, Qt::ShiftModifier); });
        button(box, QEvent::MouseButtonPress, QPoint(90, 20));
        const Figures drag = time_moves(moves, [&](QPoint p) { move(box, p, Qt::LeftButton, {}); });
        move(box, QPoint(80, 15), Qt::LeftButton, {});  // up and left of the start: no zoom
        button(box, QEvent::MouseButtonRelease, QPoint(80, 15));

        std::printf("%d samples and a reference of %d, paint box %dx%d, %d moves each:\n", n, n, box->width(),
                    box->height(), moves);
        std::printf("  hover readout move:        median %7.1f us, max %7.1f us\n", hover.median_us, hover.max_us);
        std::printf("  hover with Shift snapping: median %7.1f us, max %7.1f us\n", snap.median_us, snap.max_us);
        std::printf("  zoom rectangle move:       median %7.1f us, max %7.1f us\n", drag.median_us, drag.max_us);
        std::printf("  (a repaint that lays the plot out: %.2f ms)\n", layout_ms);
    }
    return 0;
}
