#include "sim/source_voltage.h"

#include <cmath>

#include "app/faults.h"

namespace zelvar {

long double source_voltage(const SimParams& p, long double t, long double i_fb) {
    if (t < p.tstop) {
        // The driver runs.
        if (p.feedback && t > p.tstart) return i_fb > 0 ? p.Vin : -p.Vin;
        if (p.square) {
            // +Vin on the first half period and at every t = k/(2·fin).
            const long double y = t * p.fin * 2 - 0.5L;
            const long double n = round_even(y);
            return std::fmod(n, 2.0L) == 0 ? p.Vin : -p.Vin;
        }
        return std::sin((kTwoPi * p.fin) * t) * p.Vin;
    }
    // The driver is stopped.
    switch (p.stop_mode) {
        case kOpenDriver:
            return (-p.Ropen) * i_fb;
        case kShortDriver:
            return 0;
        default: {  // kDiodeDriver: the diodes clamp to the supply
            const long double v = (-p.Ropen) * i_fb;
            if (p.Vin < v) return p.Vin;
            if (v < -p.Vin) return -p.Vin;
            return v;
        }
    }
}

}  // namespace zelvar
