#pragma once
// Steady-state frequency response of the simulated circuit.
//
// From the state equations dx/dt = A·x + B·vin of the circuit model, a sine
// source of angular frequency ω gives the phasors X = (jωI − A)⁻¹·B·Vin.  The
// response reports, per frequency, the output voltage |V3/Vin| in dB and the
// impedance the source sees, Zin = Vin/I1, as modulus and phase.  The poles
// of the response are the eigenvalues of A; those with a positive imaginary
// part are the circuit's natural frequencies.
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "sim/eigenvalues.h"
#include "sim/sim_params.h"

namespace zelvar {

struct ResponsePoint {
    long double f = 0;        // Hz
    long double v3_db = 0;    // 20·log10|V3/Vin|; −inf where V3 is 0 (no coupling), written as an empty field
    long double zin_ohm = 0;  // |Zin|; +inf where I1 is 0, written as an empty field (and its phase too)
    long double zin_deg = 0;  // arg Zin, degrees in (−180, 180]
};

// A natural frequency: the pole −decay ± j·2π·f.
struct NaturalFrequency {
    long double f = 0;      // Hz
    long double decay = 0;  // 1/s (0 without losses)
};

struct ResponseRange {
    long double from = 0, to = 0;  // Hz, 0 < from < to
    std::int32_t points = 2000;    // at least 2
};

// All seven poles of the circuit (eigenvalues of A), rad/s.  Raises the
// model's arithmetic faults as zelvar::Error.
std::vector<Complex> circuit_poles(const SimParams& p);

// The poles with a positive imaginary part, by increasing frequency; the
// real poles (the load's) are left out.
std::vector<NaturalFrequency> natural_frequencies(const std::vector<Complex>& poles);

// The resonances of the network without losses and without load: the
// natural frequencies with R1 = R2 = R3 = 0 and RL = 1E30.  For the values
// of a complete design these are its three resonances.
std::vector<NaturalFrequency> lossless_resonances(const SimParams& p);

// From half the lowest to twice the highest of the given natural
// frequencies, 2000 points.  Raises zelvar::Error when there is none.
ResponseRange default_range(const std::vector<NaturalFrequency>& naturals);

// Raises zelvar::SettingError unless the circuit has a response: |k12| < 1
// (check_coupling) and a finite positive fin.
void check_response_circuit(const SimParams& p);

// The most points a response takes (about 100 MB with the grid).
constexpr std::int32_t kMaxResponsePoints = 1000000;

// The frequencies of the logarithmic grid: from·(to/from)^(i/(points−1)),
// the two ends exact.  Raises zelvar::SettingError for a range that is not
// 0 < from < to < inf with 2 to kMaxResponsePoints points.
std::vector<long double> log_grid(const ResponseRange& range);
// log_grid()'s check alone.
void check_response_range(const ResponseRange& range);

// The response at one frequency f > 0 (Hz).
ResponsePoint response_at(const SimParams& p, long double f);

// The response at every frequency of the grid.  Arithmetic faults (the
// model's, a frequency exactly on a pole) are raised as zelvar::Error.
std::vector<ResponsePoint> frequency_response(const SimParams& p, const ResponseRange& range);

// Indices of the grid's local maxima of |V3/Vin| (strictly above the left
// neighbour, not below the right one; the ends excluded).
std::vector<std::size_t> v3_maxima(const std::vector<ResponsePoint>& curve);

// "f,v3_db,zin_ohm,zin_deg", then one line per point, 15 significant digits;
// a figure that is not finite (a zero V3 or I1) is left empty.
void write_response_csv(std::ostream& out, const std::vector<ResponsePoint>& curve);
// Writes the file; a file that cannot be written raises zelvar::Error.
void write_response_csv_file(const std::string& path, const std::vector<ResponsePoint>& curve);

// A real with 15 significant digits, e.g. "1.77497445538031e+05"; independent
// of the C locale.
std::string csv_real15(long double x);

}  // namespace zelvar
