#include "fit/network_modes.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>

#include "app/faults.h"
#include "sim/eigenvalues.h"
#include "sim/freq_response.h"

namespace zelvar::fit {

namespace {

constexpr long double kPi = std::numbers::pi_v<long double>;
constexpr long double kTwoPi = 2 * kPi;

constexpr const char* kNames[kMeasurements] = {"f1",       "f2",        "f3",         "open_low",
                                               "open_high", "short_low", "short_high", "extra"};

// Hz from x = ω².
long double hertz(long double x) { return std::sqrt(x) / kTwoPi; }

// The two roots of x² − b·x + c = 0 (b, c > 0, real roots), low first; the
// lower one as c / high, which cancels nothing.
std::vector<long double> quadratic(long double b, long double c) {
    const long double disc = std::max(0.0L, b * b - 4 * c);
    const long double high = (b + std::sqrt(disc)) / 2;
    return {hertz(c / high), hertz(high)};
}

// The secondary with the extra coil: the quadratic of the primary open, for
// a secondary inductance L2.
std::vector<long double> secondary_modes(const ElementValues& v, long double L2) {
    const long double w2 = 1 / (L2 * v.C2), w3 = 1 / (v.L3 * v.C3), r = v.C3 / v.C2;
    return quadratic(w2 + (1 + r) * w3, w2 * w3);
}

// The roots of the whole network's cubic, a3·x³ + a2·x² + a1·x + a0.
std::vector<long double> whole_modes(const ElementValues& v) {
    const long double w1 = 1 / (v.L1 * v.C1), w2 = 1 / (v.L2 * v.C2), w3 = 1 / (v.L3 * v.C3);
    const long double r = v.C3 / v.C2, q = 1 - v.k12 * v.k12;
    const long double a3 = q;
    const long double a2 = -(w1 + w2 + q * (1 + r) * w3);
    const long double a1 = w1 * w2 + (1 + r) * w1 * w3 + w2 * w3;
    const long double a0 = -(w1 * w2 * w3);
    // In units of s = ω2², so that the monic coefficients are near 1.
    const long double s = w2;
    const long double p2 = a2 / (a3 * s), p1 = a1 / (a3 * s * s), p0 = a0 / (a3 * s * s * s);
    const long double Q = (p2 * p2 - 3 * p1) / 9;
    const long double R = (2 * p2 * p2 * p2 - 9 * p2 * p1 + 27 * p0) / 54;
    const long double sq = std::sqrt(std::max(Q, 0.0L));
    const long double cosine = sq == 0 ? 0 : std::clamp(R / (sq * sq * sq), -1.0L, 1.0L);
    const long double theta = std::acos(cosine);
    std::vector<long double> u(3);
    for (int j = 0; j < 3; ++j) u[j] = -2 * sq * std::cos((theta + kTwoPi * j) / 3) - p2 / 3;
    std::sort(u.begin(), u.end());
    // Newton steps on the monic cubic polish each root to rounding level.
    for (long double& t : u)
        for (int it = 0; it < 4; ++it) {
            const long double f = ((t + p2) * t + p1) * t + p0;
            const long double df = (3 * t + 2 * p2) * t + p1;
            if (df == 0) break;
            t -= f / df;
        }
    return {hertz(u[0] * s), hertz(u[1] * s), hertz(u[2] * s)};
}

// The frequencies ω/2π of the eigenvalues with a positive imaginary part,
// low first.
std::vector<long double> positive_frequencies(std::vector<long double> a, int n) {
    std::vector<long double> f;
    for (const Complex& z : eigenvalues(std::move(a), n))
        if (z.imag() > 0) f.push_back(z.imag() / kTwoPi);
    std::sort(f.begin(), f.end());
    return f;
}

// States v2, v3, i2, i3 of the secondary and the extra coil, the secondary
// inductance L2 alone (primary open) or (1 − k²)·L2 (primary shorted).
std::vector<long double> secondary_by_eigenvalues(const ElementValues& v, long double L2) {
    const long double g = 1 / L2;
    std::vector<long double> a = {
        0,         0,         -1 / v.C2, 1 / v.C2,   // dv2/dt = (−i2 + i3)/C2
        0,         0,         0,         -1 / v.C3,  // dv3/dt = −i3/C3
        g,         0,         0,         0,          // di2/dt = v2/L2
        -1 / v.L3, 1 / v.L3,  0,         0,          // di3/dt = (v3 − v2)/L3
    };
    return positive_frequencies(std::move(a), 4);
}

}  // namespace

const char* measurement_name(int m) { return kNames[m]; }

Setup measurement_setup(int m) {
    if (m <= kF3) return Setup::whole;
    if (m <= kOpenHigh) return Setup::open;
    if (m <= kShortHigh) return Setup::shorted;
    return Setup::extra;
}

const char* setup_name(Setup s) {
    switch (s) {
        case Setup::whole:
            return "whole network";
        case Setup::open:
            return "primary open";
        case Setup::shorted:
            return "primary shorted";
        case Setup::extra:
            break;
    }
    return "extra coil alone";
}

void check_network(const ElementValues& v) {
    const struct {
        const char* name;
        long double value;
    } elements[] = {{"C1", v.C1}, {"L1", v.L1}, {"C2", v.C2}, {"L2", v.L2}, {"C3", v.C3}, {"L3", v.L3}};
    for (const auto& e : elements)
        if (!(std::isfinite(e.value) && e.value > 0))
            throw Error(std::string(e.name) + " must be a positive number");
    if (!(v.k12 > 0 && v.k12 < 1)) throw Error("k12 must lie between 0 and 1");
}

std::vector<long double> setup_frequencies(const ElementValues& v, Setup s) {
    check_network(v);
    switch (s) {
        case Setup::whole:
            return whole_modes(v);
        case Setup::open:
            return secondary_modes(v, v.L2);
        case Setup::shorted:
            return secondary_modes(v, (1 - v.k12 * v.k12) * v.L2);
        case Setup::extra:
            break;
    }
    return {hertz(1 / (v.L3 * v.C3))};
}

std::vector<long double> setup_frequencies_by_eigenvalues(const ElementValues& v, Setup s) {
    check_network(v);
    switch (s) {
        case Setup::whole: {
            SimParams p;
            p.C1 = v.C1, p.L1 = v.L1, p.C2 = v.C2, p.L2 = v.L2, p.C3 = v.C3, p.L3 = v.L3, p.k12 = v.k12;
            std::vector<long double> f;
            for (const NaturalFrequency& n : lossless_resonances(p)) f.push_back(n.f);
            return f;
        }
        case Setup::open:
            return secondary_by_eigenvalues(v, v.L2);
        case Setup::shorted:
            return secondary_by_eigenvalues(v, (1 - v.k12 * v.k12) * v.L2);
        case Setup::extra:
            break;
    }
    return positive_frequencies({0, -1 / v.C3, 1 / v.L3, 0}, 2);
}

std::array<long double, kMeasurements> network_frequencies(const ElementValues& v) {
    std::array<long double, kMeasurements> f{};
    int m = 0;
    for (Setup s : {Setup::whole, Setup::open, Setup::shorted, Setup::extra})
        for (long double x : setup_frequencies(v, s)) f[m++] = x;
    return f;
}

}  // namespace zelvar::fit
