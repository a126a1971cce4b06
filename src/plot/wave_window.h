#pragma once
// TFwave: the waveform window.  Its paint box draws the sample store and the
// reference store; a paint with the dirty flag set first runs the simulation.
#include <QWidget>
#include <array>
#include <functional>

#include "report/report_log.h"
#include "sim/sim_params.h"
#include "sim/sim_state.h"

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

    TFwave(SimState& state, ReportSink& log, QWidget* parent = nullptr);
    void set_inputs(Inputs inputs);

    // "Plot": the caller has set the dirty flag; repaint and show the window.
    void replot();

private:
    SimState& state_;
    ReportSink& log_;
    Inputs inputs_;
};

}  // namespace zelvar
