// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// TFresponse: the frequency response of the circuit in the simulation
// parameter window.  Three panels over one logarithmic frequency axis:
// |V3/Vin| in dB, |Zin| on a logarithmic scale and the phase of Zin; the
// resonances of the network without losses and load (dashed, f1 to f3) and
// the source frequency (fin) are marked; under the mouse a cursor and a
// readout of the nearest computed point.
#include <QWidget>

#include <vector>

#include "sim/freq_response.h"

class QLabel;

namespace zelvar {

// The drawing; its geometry is public for the tests.
class ResponsePlot : public QWidget {
    Q_OBJECT
public:
    explicit ResponsePlot(QWidget* parent = nullptr);

    void set_curve(std::vector<ResponsePoint> curve, std::vector<NaturalFrequency> resonances, long double fin);
    const std::vector<ResponsePoint>& curve() const { return curve_; }
    const std::vector<NaturalFrequency>& resonances() const { return resonances_; }

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
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QRect plot_area() const;
    std::vector<ResponsePoint> curve_;
    std::vector<NaturalFrequency> resonances_;
    long double fin_ = 0;
    int cursor_ = -1;
};

class TFresponse : public QWidget {
    Q_OBJECT
public:
    explicit TFresponse(QWidget* parent = nullptr);

    // Computes the response of the circuit over the default range (half the
    // lowest to twice the highest natural frequency, 2000 points) and shows
    // it.  Errors are raised as zelvar::Error and leave the window as it was.
    void show_response(const SimParams& p);

    // The readout text for a computed point (UTF-8).
    QString readout_text(int index) const;

    ResponsePlot* plot;
    QLabel* readout;

protected:
    void resizeEvent(QResizeEvent* event) override;
};

}  // namespace zelvar
