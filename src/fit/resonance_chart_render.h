#pragma once
// Draws the "Measured resonances" chart (fit/resonance_chart.h) into any
// painter: the row names, a vertical mark per resonance (the design's grey,
// the measured ones red, the fitted ones blue), the axis and its kHz ticks.
class QPainter;

namespace zelvar::fit {

struct ResonanceChart;

void draw_resonance_chart(QPainter& painter, const ResonanceChart& chart);

}  // namespace zelvar::fit
