// SPDX-License-Identifier: GPL-3.0-or-later
#include "coil/wire_losses.h"

#include <cmath>
#include <complex>

#include "coil/nagaoka.h"

namespace zelvar::coil {

namespace {

using Complex = std::complex<long double>;

// I_{ν+1}(z)/I_ν(z) = 1/(2(ν+1)/z + 1/(2(ν+2)/z + …)), by the modified Lentz
// method (W. J. Lentz 1976; Thompson and Barnett 1986).
Complex bessel_i_ratio(int nu, Complex z) {
    const long double tiny = 1e-4000L;
    Complex f = tiny, c = f, d = 0;
    for (int j = 1; j < 100000; ++j) {
        const Complex b = static_cast<long double>(2 * (nu + j)) / z;
        d = b + d;
        if (std::abs(d) == 0) d = tiny;
        c = b + 1.0L / c;
        if (std::abs(c) == 0) c = tiny;
        d = 1.0L / d;
        const Complex delta = c * d;
        f *= delta;
        if (std::abs(delta - 1.0L) < 1e-21L) break;
    }
    return f;
}

Complex kelvin_argument(long double wire, long double frequency) {
    const long double x = std::sqrt(2.0L) * (wire / 2) / skin_depth(frequency);
    return std::polar(x, kPi / 4);
}

}  // namespace

long double skin_depth(long double frequency) { return std::sqrt(kCopperResistivity / (kPi * frequency * kMu0)); }

long double wire_area(long double wire) { return kPi * wire * wire / 4; }

long double copper_mass(long double wire, long double wire_length) {
    return kCopperDensity * wire_area(wire) * wire_length;
}

long double dc_resistance(long double wire, long double wire_length) {
    return kCopperResistivity * wire_length / wire_area(wire);
}

long double skin_factor(long double wire, long double frequency) {
    if (!(frequency > 0)) return 1;
    const Complex z = kelvin_argument(wire, frequency);
    return std::real(z / 2.0L / bessel_i_ratio(0, z));
}

long double proximity_factor(long double wire, long double pitch, long double frequency) {
    if (!(frequency > 0)) return 1;
    const Complex z = kelvin_argument(wire, frequency);
    // With w = x·e^{3iπ/4} = i·z: ber + i·bei = J0(w) = I0(z),
    // ber′ + i·bei′ = d/dx J0(w) = e^{iπ/4}·I1(z), ber2 + i·bei2 = J2(w) = −I2(z).
    const Complex r1 = bessel_i_ratio(0, z);             // I1/I0
    const Complex r2 = r1 * bessel_i_ratio(1, z);        // I2/I0
    const Complex rot = std::polar(1.0L, kPi / 4);
    const Complex dk = rot * r1;                          // (ber′ + i bei′)/I0
    const Complex k2 = -r2;                               // (ber2 + i bei2)/I0
    // ψ1 = Im(conj(ber + i bei)·(ber′ + i bei′))/|ber′ + i bei′|², over |I0|²:
    const long double psi1 = std::imag(dk) / std::norm(dk);
    const long double psi2 = std::real(k2 * std::conj(dk));
    const long double eta = wire / pitch;
    return 1 - 2 * kPi * eta * eta * psi2 / psi1;
}

long double ac_resistance(long double wire, long double pitch, long double wire_length, long double frequency) {
    return dc_resistance(wire, wire_length) * skin_factor(wire, frequency) *
           proximity_factor(wire, pitch, frequency);
}

}  // namespace zelvar::coil
