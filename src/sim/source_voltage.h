// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The source in the primary loop: the driver's wave before the stop time,
// the stopped driver (open, shorted, or clamped by free-wheeling diodes)
// from the stop time on.
#include <cmath>
#include <cstdint>

#include "sim/rounded_sine.h"
#include "sim/sim_params.h"

namespace zelvar {

inline constexpr long double kTwoPi = 6.283185307179586477L;

namespace detail {

// The sine of the floating-point unit (FSIN), kept for comparison (the
// source uses rounded_sin), whose argument reduction covers
// |x| < 2^63; beyond it, the library's sine.  FSIN reduces with a 66-bit π,
// so it can differ from the library's sine by a few units in the last place,
// by about |x|·2^-66 at most; a run's arguments stay below about 3e8, as the
// points check limits tmax·fin to 2^31/50.
inline long double x87_sin(long double x) {
#if defined(__x86_64__) || defined(__i386__)
    if (std::isless(std::fabs(x), 0x1p63L)) {
        long double r;
        __asm__("fsin" : "=t"(r) : "0"(x));
        return r;
    }
#endif
    return std::sin(x);
}

// True when the integer nearest to y, exact halves going to the even one,
// is even: the parity of round_even(y), without the library's rounding call
// (which saves and restores the whole floating-point environment, several
// times the cost of a step).  Below 2^63, adding 2^63 rounds |y| to an
// integer in the 64-bit significand, to the nearest and ties to even, and
// keeps its parity; from 2^63 on |y| is an integer already, and from 2^64 on
// an even one.  Infinities and NaN count as odd, as their remainder by 2 is
// not 0.
inline bool nearest_integer_is_even(long double y) {
    constexpr long double k63 = 0x1p63L;
    const long double a = std::fabs(y);
    if (!std::isless(a, 2 * k63)) return std::isfinite(a);
    long double n = std::isless(a, k63) ? a + k63 : a;  // in [2^63, 2^64]
    n = n - k63;                                        // exact, in [0, 2^63]
    if (n == k63) return true;
    return (static_cast<std::int64_t>(n) & 1) == 0;
}

}  // namespace detail

// vin at time t; i_fb is the fed-back primary current (i1 at the end of the
// previous step, 0 at the start of a run).  Inline: the run calls it once per
// step.
inline long double source_voltage(const SimParams& p, long double t, long double i_fb) {
    if (t < p.tstop) {
        // The driver runs.
        if (p.feedback && t > p.tstart) return i_fb > 0 ? p.Vin : -p.Vin;
        if (p.square) {
            // +Vin on the first half period and at every t = k/(2·fin).
            const long double y = t * p.fin * 2 - 0.5L;
            return detail::nearest_integer_is_even(y) ? p.Vin : -p.Vin;
        }
        return rounded_sin((kTwoPi * p.fin) * t) * p.Vin;
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

// True when source_voltage(p, t, i_fb) depends on i_fb: the driver runs on
// feedback, or is stopped and not shorted.
inline bool source_needs_current(const SimParams& p, long double t) {
    if (t < p.tstop) return p.feedback && t > p.tstart;
    return p.stop_mode != kShortDriver;
}

}  // namespace zelvar
