#include "plot/wave_window.h"

namespace zelvar {

TFwave::TFwave(SimState& state, ReportSink& log, QWidget* parent) : QWidget(parent), state_(state), log_(log) {
    setWindowTitle("Waveforms");
}

void TFwave::set_inputs(Inputs inputs) { inputs_ = std::move(inputs); }

void TFwave::replot() {
    update();
    show();
    raise();
    activateWindow();
}

}  // namespace zelvar
