// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Copper wire: mass, resistance at DC and at a frequency.
//
// Copper at 20 °C: resistivity ρ = 1.7241E-8 Ω·m (the International
// Annealed Copper Standard, IEC 60028), density 8960 kg/m³.
// Skin depth δ = √(ρ/(π·f·μ0)).
//
// Skin effect of an isolated round wire, exact (Kelvin functions; e.g.
// S. Ramo, J. R. Whinnery and T. Van Duzer, "Fields and Waves in
// Communication Electronics", 1965, §5.15):
//   R/R_dc = (x/2)·(ber x·bei′ x − bei x·ber′ x)/((ber′ x)² + (bei′ x)²),
//   x = √2·r/δ,
// computed as the same quantity Re[(z/2)·I0(z)/I1(z)], z = x·e^{iπ/4}
// (ber x + i·bei x = I0(x·e^{iπ/4})), with I1/I0 from its continued
// fraction (convergent for every z).  Any frequency >= 0.
//
// Proximity effect of the neighbouring turns of a single layer: J. A.
// Ferreira, "Improved analytical modeling of conductive losses in magnetic
// components", IEEE Trans. Power Electronics 9, 1994, pp. 127–131, for one
// layer (m = 1) of round wire of porosity η = d/p:
//   F_R = (x/2)·[ψ1(x) − 2π·η²·ψ2(x)],
//   ψ1 = (ber·bei′ − bei·ber′)/(ber′² + bei′²),
//   ψ2 = (ber2·ber′ + bei2·bei′)/(ber² + bei²),
// so that the proximity factor is F_R over the skin factor,
//   F_p = 1 − 2π·η²·ψ2/ψ1  (>= 1; ber2 + i·bei2 = −I2(x·e^{iπ/4})).
// Range: the field at the layer that of a long solenoid, axial and uniform
// (ℓ/D of about 1 and more; it overstates the loss of short coils and of the
// flat spiral, whose field is weaker and not along the turns), round solid
// wire, p >= d.  Each wire is taken in the layer's mean field, its
// neighbours' shielding ignored: right for spaced turns (p/d of 2 and more),
// it overstates a close-wound layer far above the skin frequency (d ≫ δ):
// at p = 1.1·d and d/δ = 8.5 it gives 5.0 where P. L. Dowell's foil model
// ("Effects of eddy currents in transformer windings", Proc. IEE 113, 1966)
// gives 2.8.
namespace zelvar::coil {

inline constexpr long double kCopperResistivity = 1.7241e-8L;  // Ω·m at 20 °C
inline constexpr long double kCopperDensity = 8960;             // kg/m³

long double skin_depth(long double frequency);

// Cross-section area of a round wire of diameter d.
long double wire_area(long double wire);

long double copper_mass(long double wire, long double wire_length);

long double dc_resistance(long double wire, long double wire_length);

// R/R_dc of an isolated round wire of diameter d at f.
long double skin_factor(long double wire, long double frequency);

// Ferreira's single-layer proximity factor for wire d at pitch p, at f.
long double proximity_factor(long double wire, long double pitch, long double frequency);

// R_dc × skin × proximity.
long double ac_resistance(long double wire, long double pitch, long double wire_length, long double frequency);

}  // namespace zelvar::coil
