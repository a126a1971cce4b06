#include "plot/wave_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QDir>
#include <QFontMetrics>
#include <QImage>
#include <QMessageBox>
#include <QPainter>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "app/faults.h"
#include "design/design_run.h"

using namespace zelvar;

namespace {

const QRgb kBlack = qRgb(0, 0, 0);
const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kGrey = qRgb(128, 128, 128);
const QRgb kYellow = qRgb(255, 255, 0);

QRgb row_rgb(int row) {
    const ChannelRow& r = kChannelTable[row];
    return qRgb(r.red, r.green, r.blue);
}

QRgb at(const QImage& img, int x, int y) { return img.pixel(x, y) | 0xFF000000u; }

int count_in_column(const QImage& img, int x, int y0, int y1, QRgb colour) {
    int n = 0;
    for (int y = y0; y <= y1; ++y) n += at(img, x, y) == colour;
    return n;
}

int count_in_row(const QImage& img, int y, int x0, int x1, QRgb colour) {
    int n = 0;
    for (int x = x0; x <= x1; ++x) n += at(img, x, y) == colour;
    return n;
}

int count_in_rect(const QImage& img, const QRect& r, QRgb colour) {
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (img.rect().contains(x, y)) n += at(img, x, y) == colour;
    return n;
}

// A waveform window over a document of its own, with the inputs the parameter
// window would give.  The store starts without a valid run and not dirty, so
// that showing the window runs nothing.
struct Wave {
    std::unique_ptr<SimDocument> state = std::make_unique<SimDocument>();
    LineCollector log;
    SimParams params;
    std::array<long double, 8> scales{1, 1, 1, 1, 1, 1, 1, 1};
    int after_runs = 0;
    int scale_reads = 0;  // each lay-out of the plot reads the scale factors once
    std::unique_ptr<TFwave> window;

    Wave() {
        state->dirty = false;
        window = std::make_unique<TFwave>(*state, log);
        window->set_inputs(TFwave::Inputs{[this] { return params; },
                                          [this] {
                                              ++scale_reads;
                                              return scales;
                                          },
                                          [this] { ++after_runs; }});
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }

    // Results of a completed run in the given view (no run at the paint).
    void valid(long double t0, long double t1, long double ymin, long double ymax) {
        state->view.t0 = t0;
        state->view.t1 = t1;
        state->view.ymin = ymin;
        state->view.ymax = ymax;
        state->dirty = false;
        state->results_valid = true;
    }

    // n samples from 0 to tmax, value index v of sample k from f(v, t).
    template <class F>
    void fill(SampleStore& store, std::int32_t n, long double tmax, F f) {
        store.resize(n);
        for (std::int32_t k = 0; k < n; ++k) {
            const long double t = tmax * k / (n - 1);
            store.time[k] = t;
            for (int v = 0; v < 8; ++v) store.values[k][v] = f(v, t);
        }
    }

    // A completed run of 2000 samples of eight phase-shifted sines in the
    // view of the worked geometry (0 to 1.5E-5 s, -150000 to 150000).
    void sine_run() {
        valid(0, 1.5e-5L, -150000, 150000);
        fill(state->result.samples, 2000, 1.5e-5L,
             [](int v, long double t) { return 100000 * std::sin(static_cast<double>(t) * 1e6 + v); });
    }

    // The client area, which the paint box fills (a blank paint box shows
    // the window's colour).
    QImage grab() { return window->grab().toImage().convertToFormat(QImage::Format_RGB32); }

    // What the window shows now, without painting it again.
    QImage shown() {
        return window->screen()->grabWindow(window->winId()).toImage().convertToFormat(QImage::Format_RGB32);
    }
};

// The parameters of the default design's run, handed over as the design
// window does (without losses, the parameter window's other defaults).
SimParams default_design_params() {
    struct Take : DesignHandOver {
        DesignResults r;
        void hand_over_to_simulation(const DesignResults& results) override { r = results; }
    } take;
    QTemporaryDir dir;
    const QString old = QDir::currentPath();
    QDir::setCurrent(dir.path());
    LineCollector design_log;
    EXPECT_TRUE(run_design(DesignInputs{}, design_log, &take));
    QDir::setCurrent(old);
    SimParams p;
    p.C1 = take.r.C1;
    p.C2 = take.r.C2;
    p.C3 = take.r.C3;
    p.L1 = take.r.L1;
    p.L2 = take.r.L2;
    p.L3 = take.r.L3;
    p.k12 = take.r.k12;
    p.fin = take.r.fin;
    return p;
}

int differing_pixels(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return -1;
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) n += at(a, x, y) != at(b, x, y);
    return n;
}

// Records every error box that opens and closes it.
struct BoxWatcher {
    QStringList texts;
    QTimer timer;
    BoxWatcher() {
        QObject::connect(&timer, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                texts << box->text();
                box->accept();
            }
        });
        timer.start(5);
    }
    // Lets the event loop run until `count` boxes have been seen (or
    // `limit_ms` have passed), then a little longer for any box too many.
    void wait_for(int count, int limit_ms = 2000) {
        for (int i = 0; i < limit_ms / 10 && texts.size() < count; ++i) QTest::qWait(10);
        QTest::qWait(50);
    }
};

}  // namespace

TEST(WaveWindow, CaptionSizePositionFontAndClosingHides) {
    Wave w;
    EXPECT_EQ(w.window->windowTitle(), "Waveforms");
    EXPECT_EQ(w.window->size(), QSize(632, 476));
    EXPECT_EQ(w.window->pos(), QPoint(184, 119));
    EXPECT_EQ(w.window->font().family(), "MS Sans Serif");
    EXPECT_EQ(w.window->font().pointSize(), 8);
    EXPECT_EQ(w.window->PaintBox1->geometry(), QRect(0, 0, 632, 476));
    EXPECT_EQ(w.window->PaintBox1->font(), w.window->font());
    w.window->resize(700, 500);
    QApplication::processEvents();
    EXPECT_EQ(w.window->PaintBox1->size(), QSize(700, 500));
    w.window->close();
    EXPECT_TRUE(w.window->isHidden());
    w.window->show();
    EXPECT_TRUE(w.window->isVisible());
}

TEST(WaveWindow, WorkedGeometryFrameGridAxesAndLabels) {
    Wave w;
    w.valid(0, 1.5e-5L, -150000, 150000);
    const QImage img = w.grab();
    ASSERT_EQ(img.size(), QSize(632, 476));
    EXPECT_EQ(w.window->last_area().x0, 80);
    EXPECT_EQ(w.window->last_area().x1, 622);
    EXPECT_EQ(w.window->last_area().y0, 10);
    EXPECT_EQ(w.window->last_area().y1, 456);
    EXPECT_FALSE(w.state->dirty);

    // Black background, white border.
    for (QPoint p : {QPoint(0, 0), QPoint(631, 0), QPoint(0, 475), QPoint(631, 475), QPoint(300, 0), QPoint(0, 200),
                     QPoint(631, 200), QPoint(300, 475)})
        EXPECT_EQ(at(img, p.x(), p.y()), kWhite) << p.x() << "," << p.y();
    EXPECT_EQ(at(img, 1, 1), kBlack);
    EXPECT_EQ(at(img, 300, 300), kBlack);
    EXPECT_EQ(at(img, 630, 474), kBlack);

    // Yellow axes on the left and at the bottom only.
    EXPECT_EQ(count_in_column(img, 80, 10, 456, kYellow), 447);
    EXPECT_EQ(count_in_row(img, 456, 80, 622, kYellow), 543);
    EXPECT_NE(at(img, 80, 9), kYellow);
    EXPECT_NE(at(img, 623, 456), kYellow);
    EXPECT_EQ(count_in_row(img, 10, 81, 622, kYellow), 0);
    EXPECT_EQ(count_in_column(img, 622, 10, 455, kYellow), 0);

    // Dotted grey grid: time line at x = 441 (the one at 0 is under the
    // axis), value lines at y = 382, 233, 84.
    const int vdots = count_in_column(img, 441, 10, 456, kGrey);
    EXPECT_GT(vdots, 100);
    EXPECT_LT(vdots, 447);  // dotted, not solid
    for (int x = 81; x <= 621; ++x)
        if (x != 441) {
            EXPECT_LT(count_in_column(img, x, 11, 455, kGrey), 50) << x;
        }
    for (int y : {382, 233, 84}) {
        const int dots = count_in_row(img, y, 81, 621, kGrey);
        EXPECT_GT(dots, 100) << y;
        EXPECT_LT(dots, 541) << y;
    }
    for (int y = 11; y <= 455; ++y)
        if (y != 382 && y != 233 && y != 84) {
            EXPECT_LT(count_in_row(img, y, 81, 621, kGrey), 50) << y;
        }

    // Range labels: white, measured in the paint box's font.
    const QFontMetrics fm(w.window->PaintBox1->font());
    const int th = fm.height();
    const int tw_top = fm.horizontalAdvance(" 1.5E+0005");
    const int tw_bottom = fm.horizontalAdvance("-1.5E+0005");
    const int tw_end = fm.horizontalAdvance(" 1.500E-0005");
    const int tw_start = fm.horizontalAdvance(" 0.000E+0000");
    EXPECT_GT(count_in_rect(img, QRect(80 - tw_top - 3, 10, tw_top, th), kWhite), 10);
    EXPECT_GT(count_in_rect(img, QRect(80 - tw_bottom - 3, 456 - th, tw_bottom, th), kWhite), 10);
    EXPECT_GT(count_in_rect(img, QRect(622 - tw_end, 460, tw_end, th), kWhite), 10);
    EXPECT_GT(count_in_rect(img, QRect(80, 460, tw_start, th), kWhite), 10);
    // Three pixels between the value labels and the axis stay black.
    EXPECT_EQ(count_in_rect(img, QRect(77, 10, 3, th), kWhite), 0);
    EXPECT_EQ(count_in_rect(img, QRect(77, 456 - th, 3, th), kWhite), 0);
    // Nothing white elsewhere in the plot area.
    EXPECT_EQ(count_in_rect(img, QRect(81, 10, 541, 446), kWhite), 0);

    // Legend: each row in its colour at y = 30, 45, ..., 135.
    for (int c = 0; c < kChannelRows; ++c) {
        const QString text = QString::fromLatin1(legend_text(c, 1));
        const QRect r(20, 30 + 15 * c, fm.horizontalAdvance(text), th);
        EXPECT_GT(count_in_rect(img, r, row_rgb(c)), 5) << c;
    }
}

TEST(WaveWindow, CurveColoursPenWidthsAndReference) {
    Wave w;
    w.valid(0, 1, -10, 10);
    // Row c flat at 2c - 7: y = 233 - 22.3 (2c - 7).
    w.fill(w.state->result.samples, 1000, 1, [](int v, long double) { return static_cast<long double>(2 * v - 7); });
    QImage img = w.grab();
    for (int c = 0; c < kChannelRows; ++c) {
        const int y = static_cast<int>(std::lrint(233 - 22.3 * (2 * c - 7)));
        EXPECT_EQ(at(img, 300, y), row_rgb(c)) << c;
        EXPECT_EQ(count_in_column(img, 300, y - 5, y + 5, row_rgb(c)), 1) << c;  // 1 pixel wide
        EXPECT_EQ(count_in_row(img, y, 81, 622, row_rgb(c)), 542) << c;
    }

    // A saved reference, then a current run half a unit higher: the
    // reference 4 pixels wide under the current curve.
    save_reference(*w.state);
    w.fill(w.state->result.samples, 500, 1, [](int v, long double) { return static_cast<long double>(2 * v - 7) + 0.5L; });
    img = w.grab();
    for (int c = 0; c < kChannelRows; ++c) {
        const int yr = static_cast<int>(std::lrint(233 - 22.3 * (2 * c - 7)));
        const int yc = static_cast<int>(std::lrint(233 - 22.3 * (2 * c - 7 + 0.5)));
        EXPECT_EQ(count_in_column(img, 300, yr - 6, yr + 6, row_rgb(c)), 4) << c;
        EXPECT_EQ(at(img, 300, yc), row_rgb(c)) << c;
    }

    // Reference hidden: only the current curves.
    delete_reference(*w.state);
    img = w.grab();
    for (int c = 0; c < kChannelRows; ++c) {
        const int yr = static_cast<int>(std::lrint(233 - 22.3 * (2 * c - 7)));
        EXPECT_EQ(at(img, 300, yr), kBlack) << c;
    }

    // The current run on top of the reference where both cover a pixel;
    // row 8 over everything.
    w.fill(w.state->result.samples, 500, 1, [](int, long double) { return 0.0L; });
    save_reference(*w.state);
    img = w.grab();
    EXPECT_EQ(at(img, 300, 233), row_rgb(7));
    EXPECT_EQ(at(img, 300, 232), row_rgb(7));  // the reference teal under it
}

TEST(WaveWindow, ScaleFactorsAndLegendTexts) {
    Wave w;
    w.valid(0, 1, -10, 10);
    w.fill(w.state->result.samples, 200, 1, [](int v, long double) { return v == kI1 ? 0.004L : (v == kI3 ? 10.0L : -20.0L); });
    w.scales[kI1] = 1000;
    w.scales[kI3] = 0.4L;
    const QImage img = w.grab();
    // IL1 at 4 units: y = 233 - 89.2; IL3 at 4 units too (0.4 x 10).
    EXPECT_EQ(at(img, 300, 144), row_rgb(7));  // drawn last
    EXPECT_EQ(count_in_row(img, 144, 81, 622, row_rgb(5)), 0);
    // The others below the range: clamped to the bottom edge.
    EXPECT_EQ(count_in_row(img, 456, 81, 622, row_rgb(6)), 542);
    // Legend lines "IL1x1000" and "IL3x0" are wider / narrower than "x1".
    const QFontMetrics fm(w.window->PaintBox1->font());
    const int th = fm.height();
    const int w1000 = fm.horizontalAdvance("IL1x1000");
    const int w1 = fm.horizontalAdvance("IL1x1");
    EXPECT_GT(count_in_rect(img, QRect(20 + w1, 105, w1000 - w1, th), row_rgb(5)), 5);
    EXPECT_EQ(count_in_rect(img, QRect(20 + w1000, 105, 60 - w1000, th), row_rgb(5)), 0);
    const int w0 = fm.horizontalAdvance("IL3x0");
    EXPECT_GT(count_in_rect(img, QRect(20, 135, w0, th), row_rgb(7)), 5);
    EXPECT_EQ(count_in_rect(img, QRect(20 + w0, 135, 60 - w0, th), row_rgb(7)), 0);
}

TEST(WaveWindow, FlatRangeWidenedAndCurvesClampedToTheEdges) {
    Wave w;
    w.valid(0, 1, 0, 0);
    w.fill(w.state->result.samples, 300, 1, [](int, long double) { return 0.0L; });
    QImage img = w.grab();
    EXPECT_EQ(w.state->view.ymin, 0);
    EXPECT_EQ(w.state->view.ymax, 1);  // widened, and kept
    EXPECT_EQ(at(img, 300, 456), row_rgb(7));  // zero on the bottom edge

    // A window inside the run: times before and after it on the left and
    // right edges, values beyond the range on the top and bottom edges.
    w.valid(0.25L, 0.75L, -1, 1);
    w.fill(w.state->result.samples, 1001, 1, [](int v, long double t) {
        if (v == kV2) return t < 0.5L ? 100.0L : -100.0L;
        if (v == kI3) return 0.9L * std::sin(40 * static_cast<double>(t));
        return 0.0L;
    });
    img = w.grab();
    EXPECT_EQ(count_in_row(img, 10, 81, 350, row_rgb(2)), 270);  // VC2 along the top until t = 0.5
    EXPECT_EQ(count_in_row(img, 456, 352, 621, row_rgb(2)), 270);  // then along the bottom
    // Its jump from the top to the bottom edge, between two columns.
    EXPECT_GE(count_in_column(img, 350, 10, 456, row_rgb(2)) + count_in_column(img, 351, 10, 456, row_rgb(2)), 440);
    EXPECT_GT(count_in_column(img, 80, 11, 455, row_rgb(7)), 20);   // IL3 before t0 on the left edge
    EXPECT_GT(count_in_column(img, 622, 11, 455, row_rgb(7)), 20);  // after t1 on the right edge
    // Nothing of any curve outside the plot area.
    for (int c = 0; c < kChannelRows; ++c) {
        EXPECT_EQ(count_in_rect(img, QRect(1, 1, 630, 9), row_rgb(c)), 0) << c;
        EXPECT_EQ(count_in_rect(img, QRect(623, 1, 8, 474), row_rgb(c)), 0) << c;
        EXPECT_EQ(count_in_rect(img, QRect(60, 457, 570, 3), row_rgb(c)), 0) << c;
    }
}

TEST(WaveWindow, ZeroWidthTimeWindowDrawsNoCurvesAndNoTimeGrid) {
    Wave w;
    w.valid(0.5L, 0.5L, -10, 10);
    w.fill(w.state->result.samples, 100, 1, [](int, long double) { return 1.0L; });
    const QImage img = w.grab();
    EXPECT_EQ(at(img, 0, 0), kWhite);
    EXPECT_EQ(count_in_column(img, 80, 10, 456, kYellow), 447);
    for (int c = 0; c < kChannelRows; ++c) EXPECT_EQ(count_in_rect(img, QRect(81, 10, 542, 446), row_rgb(c)), 0);
    for (int x = 81; x <= 621; ++x) EXPECT_LT(count_in_column(img, x, 11, 455, kGrey), 50) << x;
    EXPECT_GT(count_in_row(img, 233, 81, 621, kGrey), 100);  // the value grid is still there
}

TEST(WaveWindow, InvertedRangeDrawnUpsideDownWithoutValueGrid) {
    Wave w;
    w.valid(0, 1, 10, -10);
    w.fill(w.state->result.samples, 100, 1, [](int v, long double) { return v == kI3 ? 5.0L : -100.0L; });
    const QImage img = w.grab();
    EXPECT_EQ(at(img, 300, 344), row_rgb(7));  // +5 in the lower half
    for (int y = 11; y <= 455; ++y) EXPECT_LT(count_in_row(img, y, 81, 621, kGrey), 50) << y;
}

TEST(WaveWindow, ReducedCurvesLookLikeThePlainPolyline) {
    // Every sample of a dense curve drawn as one polyline, against the
    // per-column reduction the window draws: the same pixels, with both pens.
    std::mt19937 rng(7);
    const PlotArea area = plot_area(632, 476);
    auto noise = [&](int amplitude) { return static_cast<long double>(static_cast<int>(rng() % (2 * amplitude + 1)) - amplitude); };
    for (int trial = 0; trial < 7; ++trial) {
        const std::int32_t n = trial == 5 ? 300 : (trial == 1 || trial == 4) ? 2000 : 20000;
        std::vector<PixelPoint> in(n);
        long double y = 233, x = 80;
        for (std::int32_t k = 0; k < n; ++k) {
            const long double t = static_cast<long double>(k) / (n - 1);
            const double s = std::sin(static_cast<double>(t) * 60);
            long double v = 0;
            switch (trial) {
                case 0:  // random walk on a growing sine, rare spikes, clamped at the ends
                    y += noise(100) * 0.02L;
                    v = y + 180 * s * t - ((rng() % 3000 == 0) ? 300 : 0);
                    break;
                case 1:  // wild noise: steep lines between columns
                    v = noise(300) + 233;
                    break;
                case 2:  // small steps: long runs of repeated points
                    v = 233 + std::round(3 * s) + ((rng() % 50 == 0) ? noise(2) : 0);
                    break;
                case 3:  // single-sample spikes up and down on a flat line
                    v = 233 + ((rng() % 500 == 0) ? noise(150) : 0);
                    break;
                case 4:  // a fast sine, many turns in each column, running off the top and bottom
                    v = 233 + 260 * std::sin(static_cast<double>(t) * 3000);
                    break;
                case 5:  // fewer samples than columns
                    v = 233 + 200 * s + noise(20);
                    break;
                default:  // time running back and forth by a pixel
                    x += (rng() % 3 == 0) ? -1 : 1.2L;
                    v = 233 + 150 * s + noise(3);
                    break;
            }
            const long double px = trial == 6 ? x / 35 + 80 : 70 + 570 * t;
            in[k] = PixelPoint{clamp_x(px, area), clamp_y(v, area)};
        }
        std::vector<PixelPoint> out(n + 1);
        out.resize(reduce_columns(in.data(), n, out.data()));
        ASSERT_LE(out.size(), 6u * 543u + 2);
        for (int factor : {1, 4}) {
            QImage plain(632, 476, QImage::Format_RGB32), reduced(632, 476, QImage::Format_RGB32);
            for (auto [img, pts] : {std::pair{&plain, &in}, std::pair{&reduced, &out}}) {
                img->fill(Qt::black);
                std::vector<QPoint> q;
                for (const PixelPoint& p : *pts) q.emplace_back(p.x, p.y);
                QPainter p(img);
                p.setPen(curve_pen(trial, factor));
                p.drawPolyline(q.data(), static_cast<int>(q.size()));
            }
            int differ = 0, drawn = 0;
            for (int yy = 0; yy < 476; ++yy)
                for (int xx = 0; xx < 632; ++xx) {
                    differ += plain.pixel(xx, yy) != reduced.pixel(xx, yy);
                    drawn += at(plain, xx, yy) != kBlack;
                }
            EXPECT_EQ(differ, 0) << "trial " << trial << " pen " << factor;
            EXPECT_GT(drawn, 543) << "trial " << trial;
        }
    }
}

TEST(WaveWindow, DragReframesExactlyWithAnXorOutline) {
    Wave w;
    w.sine_run();
    QWidget* box = w.window->PaintBox1;
    const QImage before = w.grab();
    const PixelMap m = w.window->last_map();

    QTest::mousePress(box, Qt::LeftButton, {}, QPoint(100, 50));
    EXPECT_TRUE(w.window->dragging());
    QTest::mouseMove(box, QPoint(200, 120));
    QTest::mouseMove(box, QPoint(300, 200));
    const QImage during = w.grab();
    // The outline is the plot under it inverted (exclusive-or with white),
    // dotted; inside and outside the rectangle the plot is untouched.
    int inverted = 0, other = 0;
    for (int x = 100; x <= 300; ++x) {
        const QRgb b = at(before, x, 50), d = at(during, x, 50);
        if (d == (b ^ 0x00FFFFFFu)) ++inverted;
        else if (d != b) ++other;
    }
    EXPECT_GT(inverted, 40);
    EXPECT_LT(inverted, 201);
    EXPECT_EQ(other, 0);
    for (int y = 51; y < 200; ++y)
        for (int x : {150, 250, 400}) EXPECT_EQ(at(during, x, y), at(before, x, y));
    EXPECT_GT(count_in_column(during, 300, 50, 200, kWhite) + count_in_column(during, 100, 50, 200, kWhite), 40);

    QTest::mouseRelease(box, Qt::LeftButton, {}, QPoint(310, 210));  // the position of the release is not used
    EXPECT_FALSE(w.window->dragging());
    EXPECT_EQ(w.state->view.t0, (100 - m.bx) / m.ax);
    EXPECT_EQ(w.state->view.t1, (300 - m.bx) / m.ax);
    EXPECT_EQ(w.state->view.ymin, (200 - m.by) / m.ay);
    EXPECT_EQ(w.state->view.ymax, (50 - m.by) / m.ay);
    // Repainted at once with the new mapping: those times on the edges.
    const PixelMap n = w.window->last_map();
    EXPECT_NEAR(static_cast<double>(n.ax * w.state->view.t0 + n.bx), 80, 1e-9);
    EXPECT_NEAR(static_cast<double>(n.ax * w.state->view.t1 + n.bx), 622, 1e-9);
    EXPECT_NEAR(static_cast<double>(n.ay * w.state->view.ymax + n.by), 10, 1e-9);
    EXPECT_NEAR(static_cast<double>(n.ay * w.state->view.ymin + n.by), 456, 1e-9);
}

TEST(WaveWindow, DragUpOrLeftAndClickChangeNothing) {
    Wave w;
    w.sine_run();
    QWidget* box = w.window->PaintBox1;
    const QImage before = w.grab();
    const ViewRecord v = w.state->view;
    const QPoint drags[][2] = {{{300, 200}, {100, 50}}, {{100, 200}, {300, 50}}, {{300, 50}, {100, 200}},
                               {{100, 50}, {100, 50}},  {{100, 50}, {300, 50}}};
    for (const auto& d : drags) {
        QTest::mousePress(box, Qt::LeftButton, {}, d[0]);
        if (d[1] != d[0]) QTest::mouseMove(box, d[1]);
        QTest::mouseRelease(box, Qt::LeftButton, {}, d[1]);
        EXPECT_EQ(w.state->view.t0, v.t0);
        EXPECT_EQ(w.state->view.t1, v.t1);
        EXPECT_EQ(w.state->view.ymin, v.ymin);
        EXPECT_EQ(w.state->view.ymax, v.ymax);
        // The outline is gone: the plot exactly as before.
        QApplication::processEvents();
        EXPECT_TRUE(w.grab() == before);
    }
    // A right-button drag zooms too.
    QTest::mousePress(box, Qt::RightButton, {}, QPoint(100, 50));
    QTest::mouseMove(box, QPoint(300, 200));
    QTest::mouseRelease(box, Qt::RightButton, {}, QPoint(300, 200));
    EXPECT_NE(w.state->view.t0, v.t0);
}

TEST(WaveWindow, DragBeforeTheFirstDrawingChangesNothing) {
    Wave w;
    w.state->view.t1 = 1.5e-5L;
    w.state->view.ymax = 3;
    w.state->run_blocked = true;  // a failed run: blank window
    QWidget* box = w.window->PaintBox1;
    QTest::mousePress(box, Qt::LeftButton, {}, QPoint(100, 50));
    QTest::mouseMove(box, QPoint(300, 200));
    QTest::mouseRelease(box, Qt::LeftButton, {}, QPoint(300, 200));
    EXPECT_EQ(w.state->view.t0, 0);
    EXPECT_EQ(w.state->view.t1, 1.5e-5L);
    EXPECT_EQ(w.state->view.ymin, 0);
    EXPECT_EQ(w.state->view.ymax, 3);
    EXPECT_TRUE(w.state->run_blocked);
    EXPECT_EQ(w.after_runs, 0);
}

TEST(WaveWindow, KeyCommandsByKeyboardRepaintAtOnce) {
    Wave w;
    w.valid(0, 1.5e-5L, -150000, 150000);
    w.fill(w.state->result.samples, 100, 1.5e-5L, [](int, long double) { return 0.0L; });
    w.grab();
    const PixelMap m0 = w.window->last_map();

    QTest::keyClicks(w.window.get(), "a");
    EXPECT_EQ(w.state->view.t1, 0.75e-5L);
    EXPECT_EQ(w.window->last_map().ax, 2 * m0.ax);  // already repainted
    QTest::keyClicks(w.window.get(), "arr");
    EXPECT_EQ(w.state->view.t0, 0);
    EXPECT_EQ(w.state->view.t1, 1.5e-5L);

    QTest::keyClicks(w.window.get(), "....");
    EXPECT_NEAR(static_cast<double>(w.state->view.t0), 1.5e-5, 1e-20);
    EXPECT_NEAR(static_cast<double>(w.state->view.t1), 3e-5, 1e-20);
    QTest::keyClicks(w.window.get(), "<,<,");
    EXPECT_NEAR(static_cast<double>(w.state->view.t0), 0, 1e-20);

    // Upper case and every other character: nothing.
    const ViewRecord v = w.state->view;
    QTest::keyClicks(w.window.get(), "ARUD+x");  // the "+" acts, the rest not
    EXPECT_EQ(w.state->view.t0, v.t0);
    EXPECT_EQ(w.state->view.t1, v.t1);
    EXPECT_EQ(w.state->view.ymax, 75000);
    EXPECT_EQ(w.state->view.ymin, -75000);
    QTest::keyClicks(w.window.get(), "ARUDxyz=_ ");
    EXPECT_EQ(w.state->view.ymax, 75000);

    // "u" "d" and "-".
    QTest::keyClicks(w.window.get(), "u");
    EXPECT_EQ(w.state->view.ymin, -37500);
    EXPECT_EQ(w.state->view.ymax, 112500);
    QTest::keyClicks(w.window.get(), "dd-");
    EXPECT_EQ(w.state->view.ymax, 75000);
    EXPECT_EQ(w.state->view.ymin, -75000);

    // A zoom to a range entirely below zero, then "+": inverted.
    QTest::mousePress(w.window->PaintBox1, Qt::LeftButton, {}, QPoint(100, 300));
    QTest::mouseMove(w.window->PaintBox1, QPoint(300, 400));
    QTest::mouseRelease(w.window->PaintBox1, Qt::LeftButton, {}, QPoint(300, 400));
    ASSERT_LT(w.state->view.ymax, 0);
    QTest::keyClicks(w.window.get(), "+");
    EXPECT_GT(w.state->view.ymin, w.state->view.ymax);
    EXPECT_GT(w.window->last_map().ay, 0);  // drawn upside down
}

TEST(WaveWindow, KeyFaultShowsTheErrorBoxAndKeepsTheView) {
    Wave w;
    w.valid(0, 1e4932L, -1, 1);
    w.grab();
    BoxWatcher boxes;
    QTest::keyClicks(w.window.get(), "r");
    EXPECT_EQ(boxes.texts, QStringList{"Floating point overflow."});
    EXPECT_EQ(w.state->view.t1, 1e4932L);
}

// The tests below use the real simulation run.

TEST(WaveWindowWithRun, StoppedRunDrawsNothingAndIsNotRetriedByAPlainRepaint) {
    Wave w;
    w.params.points = 50001;
    mark_dirty(*w.state);
    QImage img = w.grab();
    ASSERT_EQ(w.log.lines, std::vector<std::string>{"Too many points."});
    EXPECT_EQ(w.after_runs, 1);
    EXPECT_TRUE(w.state->run_blocked);
    EXPECT_TRUE(w.state->dirty);
    EXPECT_EQ(count_in_rect(img, img.rect(), kBlack), 0);  // no frame at all
    EXPECT_NE(at(img, 0, 0), kWhite);

    // Exposes and repaints: no new run, nothing written again.
    img = w.grab();
    w.window->PaintBox1->repaint();
    w.window->resize(640, 480);
    QApplication::processEvents();
    EXPECT_EQ(w.log.lines.size(), 1u);
    EXPECT_EQ(w.after_runs, 1);
    EXPECT_EQ(count_in_rect(img, img.rect(), kBlack), 0);

    // A key command asks for a run again.
    QTest::keyClicks(w.window.get(), "a");
    EXPECT_EQ(w.log.lines.size(), 2u);
    EXPECT_EQ(w.after_runs, 2);
    // So does "Plot".
    mark_dirty(*w.state);
    w.window->replot();
    QApplication::processEvents();
    EXPECT_EQ(w.log.lines.size(), 3u);
    EXPECT_EQ(w.log.lines.back(), "Too many points.");
}

TEST(WaveWindowWithRun, FailedRunEndsThePaintAndTheBoxOpensAfterIt) {
    Wave w;
    w.params.fin = 0;  // tmax * fin = 0: the points check divides by zero
    BoxWatcher boxes;
    mark_dirty(*w.state);
    const QImage img = w.grab();
    EXPECT_TRUE(boxes.texts.isEmpty());  // not inside the paint
    EXPECT_EQ(count_in_rect(img, img.rect(), kBlack), 0);
    EXPECT_EQ(w.after_runs, 1);
    boxes.wait_for(1);
    EXPECT_EQ(boxes.texts, QStringList{"Floating point division by zero."});
    EXPECT_TRUE(w.state->run_blocked);

    // The box closed: the repaints do not run again nor show the box again.
    w.grab();
    w.window->PaintBox1->repaint();
    boxes.wait_for(2, 300);
    EXPECT_EQ(boxes.texts.size(), 1);
    EXPECT_EQ(w.after_runs, 1);

    // "Plot" (mark_dirty) tries again.
    mark_dirty(*w.state);
    w.grab();
    boxes.wait_for(2);
    EXPECT_EQ(boxes.texts.size(), 2);
    EXPECT_EQ(w.after_runs, 2);
}

TEST(WaveWindowWithRun, CompletedRunIsDrawnAndNotRepeated) {
    Wave w;
    w.params = default_design_params();
    w.params.use_vmax = true;
    w.params.Vmax = 150000;
    mark_dirty(*w.state);
    QImage img = w.grab();
    EXPECT_TRUE(w.state->results_valid);
    EXPECT_FALSE(w.state->dirty);
    EXPECT_EQ(w.after_runs, 1);
    EXPECT_EQ(w.state->result.samples.count(), 600);
    EXPECT_EQ(w.state->view.t0, 0);
    EXPECT_EQ(w.state->view.t1, 1.5e-5L);
    EXPECT_EQ(w.state->view.ymax, 150000);
    EXPECT_GT(count_in_row(img, 382, 81, 621, kGrey), 100);  // the value grid of the worked example
    int coloured = 0;
    for (int c = 0; c < kChannelRows; ++c) coloured += count_in_rect(img, QRect(81, 10, 542, 446), row_rgb(c));
    EXPECT_GT(coloured, 1000);

    // A second paint redraws the same picture without a run.
    EXPECT_TRUE(w.grab() == img);
    EXPECT_EQ(w.after_runs, 1);
}

TEST(WaveWindow, LegendRowsStandFifteenPixelsApart) {
    Wave w;
    w.valid(0, 1, -10, 10);
    const QImage img = w.grab();
    const QFont font = w.window->PaintBox1->font();
    const QFontMetrics fm(font);
    for (int c = 0; c < kChannelRows; ++c) {
        // The first row of ink of the legend text drawn alone with its top at 0.
        const QString text = QString::fromLatin1(legend_text(c, 1));
        QImage alone(100, 40, QImage::Format_RGB32);
        alone.fill(Qt::black);
        {
            QPainter p(&alone);
            p.setFont(font);
            p.setPen(Qt::white);
            p.drawText(0, fm.ascent(), text);
        }
        int ink = 0;
        while (ink < 40 && count_in_row(alone, ink, 0, 99, kWhite) == 0) ++ink;
        int first = 25;
        while (first < 160 && count_in_row(img, first, 20, 79, row_rgb(c)) == 0) ++first;
        EXPECT_EQ(first, 30 + 15 * c + ink) << c;
    }
}

TEST(WaveWindow, DragDrawsOverTheLastDrawingAndNeverLaysThePlotOut) {
    Wave w;
    w.sine_run();
    save_reference(*w.state);
    w.fill(w.state->result.samples, 2000, 1.5e-5L, [](int, long double t) { return 50000 * std::cos(1e6 * static_cast<double>(t)); });
    w.window->PaintBox1->repaint();
    const QImage with_reference = w.shown();
    ASSERT_TRUE(with_reference == w.grab());
    const int reads = w.scale_reads;

    // Neither a deleted reference nor a changed scale factor shows before a
    // repaint asks for it; a drag only draws its rectangle over the picture.
    delete_reference(*w.state);
    w.scales[kV3] = 3;
    QWidget* box = w.window->PaintBox1;
    QTest::mousePress(box, Qt::LeftButton, {}, QPoint(400, 300));
    for (int k = 1; k <= 10; ++k) QTest::mouseMove(box, QPoint(400 - 25 * k, 300 - 20 * k));
    EXPECT_EQ(w.scale_reads, reads);
    QTest::mouseRelease(box, Qt::LeftButton, {}, QPoint(150, 100));  // up and left: ignored
    EXPECT_EQ(w.scale_reads, reads);
    EXPECT_TRUE(w.shown() == with_reference);
}

TEST(WaveWindow, DrawingFaultStopsThePictureAndShowsTheBoxOnceAfterThePaint) {
    struct Case {
        const char* what;
        long double vmax;                 // the value range is -vmax to vmax
        long double v3_scale;             // scale factor of VC3
        int rows_drawn;                   // curves drawn before the fault
    };
    const Case cases[] = {
        {"value span overflows (Use Vmax, Vmax = 1E4932)", 1e4932L, 1, 0},
        {"VC3 scaled beyond the real range", 150000, 1e4932L, 3},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        Wave w;
        w.sine_run();
        w.state->view.ymin = -k.vmax;
        w.state->view.ymax = k.vmax;
        w.scales[kV3] = k.v3_scale;
        BoxWatcher boxes;
        const QImage img = w.grab();
        EXPECT_TRUE(boxes.texts.isEmpty());  // not inside the paint
        if (k.rows_drawn == 0) {
            EXPECT_EQ(count_in_rect(img, img.rect(), kBlack), 0);  // stopped before the background
        } else {
            EXPECT_EQ(at(img, 0, 0), kWhite);
            for (int c = 0; c < kChannelRows; ++c)
                EXPECT_EQ(count_in_rect(img, QRect(200, 10, 422, 446), row_rgb(c)) > 0, c < k.rows_drawn) << c;  // right of the legend
        }
        boxes.wait_for(1);
        EXPECT_EQ(boxes.texts, QStringList{"Floating point overflow."});

        // Repaints draw the same and show no box again; a key command asks
        // for a new picture, whose fault is shown again.
        w.grab();
        w.window->PaintBox1->repaint();
        boxes.wait_for(2, 300);
        EXPECT_EQ(boxes.texts.size(), 1);
        QTest::keyClicks(w.window.get(), "a");
        boxes.wait_for(2);
        EXPECT_EQ(boxes.texts.size(), 2);
    }
}

TEST(WaveWindowWithRun, RendererDrawsExactlyTheWindowsPicture) {
    Wave w;
    w.params = default_design_params();
    mark_dirty(*w.state);
    for (int pass = 0; pass < 2; ++pass) {
        SCOPED_TRACE(pass == 0 ? "default run" : "with a reference, scaled currents, zoomed");
        if (pass == 1) {
            save_reference(*w.state);
            w.params.R2 = 20;
            mark_dirty(*w.state);
            w.scales = {1, 1, 1, 1, 1, 1000, 1000, 1000};
            w.grab();
            QTest::keyClicks(w.window.get(), "a+");
        }
        const QImage grabbed = w.grab();
        ASSERT_TRUE(w.state->results_valid);
        ASSERT_FALSE(w.state->dirty);

        QImage drawn(grabbed.size(), QImage::Format_RGB32);
        drawn.fill(Qt::darkBlue);
        PlotPicture picture;
        picture.size = w.window->PaintBox1->size();
        picture.font = w.window->PaintBox1->font();
        picture.samples = &w.state->result.samples;
        picture.reference = w.state->reference_present ? &w.state->reference : nullptr;
        picture.view = w.state->view;
        picture.scales = w.scales;
        QPainter p(&drawn);
        const PlotLayout layout = render_plot(p, picture);
        p.end();
        EXPECT_TRUE(layout.fault.empty());
        EXPECT_EQ(layout.map.ax, w.window->last_map().ax);
        EXPECT_EQ(layout.map.by, w.window->last_map().by);
        EXPECT_EQ(layout.area.x1, w.window->last_area().x1);
        EXPECT_EQ(differing_pixels(drawn, grabbed), 0);
    }
}

namespace {

void send_move(QWidget* box, QPoint p, Qt::KeyboardModifiers modifiers) {
    QMouseEvent e(QEvent::MouseMove, QPointF(p), box->mapToGlobal(QPointF(p)), Qt::NoButton, Qt::NoButton, modifiers);
    QApplication::sendEvent(box, &e);
}

}  // namespace

TEST(WaveWindow, HoverReadoutShowsTheStoredSampleOverTheLastDrawing) {
    Wave w;
    w.sine_run();
    save_reference(*w.state);
    w.window->PaintBox1->repaint();
    const QImage before = w.shown();
    const int reads = w.scale_reads;
    QWidget* box = w.window->PaintBox1;
    const SampleStore& s = w.state->result.samples;

    QTest::mouseMove(box, QPoint(300, 200));
    const std::int32_t k = nearest_sample(s, pixel_time(w.window->last_map(), 300));
    EXPECT_EQ(w.window->cursor_sample(), k);
    const std::vector<ReadoutLine> lines = w.window->readout();
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(lines[4].text, "VC3 = " + readout_number(s.values[k][kV3]) + " V  ref " +
                                 readout_number(w.state->reference.values[k][kV3]));
    const QImage hovering = w.shown();
    EXPECT_GT(differing_pixels(hovering, before), 100);  // the cursor and the box
    // The box beside the cursor: the cursor's column left of it stays visible.
    std::int32_t cx = static_cast<std::int32_t>(std::lrintl(w.window->last_map().ax * s.time[k] + w.window->last_map().bx));
    for (int y : {12, 200, 450}) EXPECT_EQ(at(hovering, cx, y), qRgb(224, 224, 224)) << y;
    EXPECT_EQ(w.scale_reads, reads);  // never laid out again

    // Leaving the plot area, or starting a drag, hides it.
    QTest::mouseMove(box, QPoint(40, 200));
    EXPECT_EQ(w.window->cursor_sample(), -1);
    EXPECT_TRUE(w.shown() == before);
    QTest::mouseMove(box, QPoint(300, 200));
    EXPECT_EQ(w.window->cursor_sample(), k);
    QTest::mousePress(box, Qt::LeftButton, {}, QPoint(300, 200));
    EXPECT_EQ(w.window->cursor_sample(), -1);
    QTest::mouseRelease(box, Qt::LeftButton, {}, QPoint(300, 200));
    EXPECT_TRUE(w.shown() == before);
    EXPECT_EQ(w.scale_reads, reads);

    // Ctrl+Right and Ctrl+Left step the cursor by one sample.
    QTest::mouseMove(box, QPoint(310, 200));
    const std::int32_t k310 = w.window->cursor_sample();
    EXPECT_EQ(k310, nearest_sample(s, pixel_time(w.window->last_map(), 310)));
    QTest::keyClick(w.window.get(), Qt::Key_Right, Qt::ControlModifier);
    QTest::keyClick(w.window.get(), Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(w.window->cursor_sample(), k310 + 2);
    QTest::keyClick(w.window.get(), Qt::Key_Left, Qt::ControlModifier);
    EXPECT_EQ(w.window->cursor_sample(), k310 + 1);
}

TEST(WaveWindowWithRun, ShiftSnapsToTheV3PeakAndCtrlClicksSetMarkers) {
    Wave w;
    w.params = default_design_params();
    mark_dirty(*w.state);
    w.grab();
    ASSERT_TRUE(w.state->results_valid);
    QWidget* box = w.window->PaintBox1;
    const SampleStore& s = w.state->result.samples;
    const PixelMap m = w.window->last_map();
    const int peak_x = static_cast<int>(std::lrintl(m.ax * 7.03672788e-6L + m.bx));

    send_move(box, QPoint(peak_x + 3, 100), Qt::ShiftModifier);
    std::vector<ReadoutLine> lines = w.window->readout();
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(lines[0].text, "t = 7.0367 \xC2\xB5s");
    EXPECT_EQ(lines[4].text, "VC3 = -6498.6 V");
    const std::int32_t peak = w.window->cursor_sample();
    send_move(box, QPoint(peak_x + 3, 100), {});
    EXPECT_NE(w.window->cursor_sample(), peak);  // without Shift: the sample under the mouse

    // Two Ctrl+clicks measure; neither starts a zoom.
    const ViewRecord view = w.state->view;
    QTest::mouseClick(box, Qt::LeftButton, Qt::ControlModifier, QPoint(200, 100));
    QTest::mouseMove(box, QPoint(300, 300));
    QTest::mouseClick(box, Qt::LeftButton, Qt::ControlModifier, QPoint(400, 300));
    EXPECT_FALSE(w.window->dragging());
    EXPECT_EQ(w.state->view.t0, view.t0);
    EXPECT_EQ(w.state->view.ymax, view.ymax);
    const std::int32_t a = nearest_sample(s, pixel_time(m, 200)), b = nearest_sample(s, pixel_time(m, 400));
    EXPECT_EQ(w.window->markers(), (std::vector<std::int32_t>{a, b}));
    lines = w.window->readout();
    const long double dt = s.time[b] - s.time[a];
    EXPECT_EQ(lines.back().text, "\xCE\x94t = " + readout_number(dt / 1e-6L) + " \xC2\xB5s  1/\xCE\x94t = " +
                                     readout_number(1 / dt) + " Hz");

    // They follow a key command and vanish with a new run; a third click
    // starts over.
    QTest::keyClicks(w.window.get(), "a");
    EXPECT_EQ(w.window->markers().size(), 2u);
    QTest::mouseClick(box, Qt::LeftButton, Qt::ControlModifier, QPoint(300, 300));
    EXPECT_EQ(w.window->markers().size(), 1u);
    mark_dirty(*w.state);
    w.window->PaintBox1->repaint();
    EXPECT_TRUE(w.window->markers().empty());
    EXPECT_EQ(w.window->cursor_sample(), -1);
}

TEST(WaveWindow, CtrlCCopiesThePictureAndTheViewSavesAsPngSvgAndCsv) {
    Wave w;
    w.sine_run();
    const QImage grabbed = w.grab();
    QApplication::clipboard()->clear();
    QTest::keyClick(w.window.get(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(differing_pixels(QApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32), grabbed), 0);

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString png = dir.filePath("view.png"), svg = dir.filePath("view.svg"), csv = dir.filePath("view.csv");
    w.window->save_view(png);
    EXPECT_EQ(differing_pixels(QImage(png).convertToFormat(QImage::Format_RGB32), grabbed), 0);
    w.window->save_view(svg);
    QFile svg_file(svg);
    ASSERT_TRUE(svg_file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(svg_file.readAll().contains("<svg"));

    // The CSV holds the samples inside the time window: after "a", its first half.
    QTest::keyClicks(w.window.get(), "a");
    w.window->save_view(csv);
    QFile csv_file(csv);
    ASSERT_TRUE(csv_file.open(QIODevice::ReadOnly));
    const QList<QByteArray> rows = csv_file.readAll().trimmed().split('\n');
    std::int32_t inside = 0;
    for (long double t : w.state->result.samples.time) inside += t <= w.state->view.t1;
    EXPECT_EQ(rows.size(), inside + 1);
    EXPECT_EQ(rows[0], "t,vin,v1,v2,v3,vl,i1,i2,i3");

    try {
        w.window->save_view("/nonexistent-folder/view.png");
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Picture file /nonexistent-folder/view.png cannot be written: No such file or directory");
    }
}
