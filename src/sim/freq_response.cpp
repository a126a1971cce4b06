// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/freq_response.h"

#include <Eigen/LU>
#include <algorithm>
#include <cerrno>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <numbers>
#include <sstream>

#include "app/atomic_file.h"
#include "app/faults.h"
#include "sim/circuit_model.h"

namespace zelvar {

namespace {

constexpr long double kPi = std::numbers::pi_v<long double>;
constexpr long double kTwoPi = 2 * kPi;

long double norm1(const Complex& z) { return std::fabs(z.real()) + std::fabs(z.imag()); }

// The phasors X of (jωI − A)·X = B, by Eigen's LU decomposition with
// partial pivoting.  A zero pivot (ω on a pole of a circuit without losses)
// is a division by zero.
void solve_phasors(const CircuitModel& m, long double omega, Complex (&x)[kStates]) {
    using Matrix = Eigen::Matrix<Complex, kStates, kStates>;
    using Vector = Eigen::Matrix<Complex, kStates, 1>;
    Matrix a;
    Vector b;
    for (int r = 0; r < kStates; ++r) {
        for (int c = 0; c < kStates; ++c) a(r, c) = Complex(-m.A[r][c], 0);
        a(r, r) = Complex(-m.A[r][r], omega);
        b(r) = Complex(m.B[r], 0);
    }
    const Eigen::PartialPivLU<Matrix> lu(a);
    for (int k = 0; k < kStates; ++k)
        if (norm1(lu.matrixLU()(k, k)) == 0) throw Error(kDivisionByZero);
    const Vector solution = lu.solve(b);
    for (int r = 0; r < kStates; ++r) x[r] = solution(r);
}

ResponsePoint point_at(const CircuitModel& m, long double f) {
    Complex x[kStates];
    solve_phasors(m, kTwoPi * f, x);
    ResponsePoint p;
    p.f = f;
    const long double v3 = std::abs(x[2]);
    p.v3_db = v3 == 0 ? -std::numeric_limits<long double>::infinity() : 20 * std::log10(v3);
    const Complex i1 = x[4];
    if (norm1(i1) == 0) {
        p.zin_ohm = std::numeric_limits<long double>::infinity();
        p.zin_deg = 0;
    } else {
        const Complex zin = 1.0L / i1;
        p.zin_ohm = std::abs(zin);
        p.zin_deg = std::arg(zin) * (180 / kPi);
    }
    return p;
}

}  // namespace

std::vector<Complex> circuit_poles(const SimParams& p) {
    const FpEnvironment fp_environment;
    const CircuitModel m = build_model(p);
    std::vector<long double> a;
    a.reserve(kStates * kStates);
    for (int r = 0; r < kStates; ++r)
        for (int c = 0; c < kStates; ++c) a.push_back(m.A[r][c]);
    std::vector<Complex> poles = eigenvalues(std::move(a), kStates);
    fp_check();
    return poles;
}

std::vector<NaturalFrequency> natural_frequencies(const std::vector<Complex>& poles) {
    long double largest = 0;
    for (const Complex& z : poles) largest = std::max(largest, std::abs(z));
    std::vector<NaturalFrequency> result;
    for (const Complex& z : poles) {
        // A real pole comes out of the complex iteration with an imaginary
        // part at rounding level.
        if (!std::isgreater(z.imag(), 1e-12L * largest)) continue;
        NaturalFrequency nf;
        nf.f = z.imag() / kTwoPi;
        // A decay at rounding level is no decay.
        nf.decay = std::fabs(z.real()) <= 64 * LDBL_EPSILON * std::abs(z) ? 0 : -z.real();
        result.push_back(nf);
    }
    std::sort(result.begin(), result.end(),
              [](const NaturalFrequency& a, const NaturalFrequency& b) { return std::isless(a.f, b.f); });
    return result;
}

std::vector<NaturalFrequency> lossless_resonances(const SimParams& p) {
    SimParams lossless = p;
    lossless.R1 = lossless.R2 = lossless.R3 = 0;
    lossless.RL = 1e30L;
    return natural_frequencies(circuit_poles(lossless));
}

ResponseRange default_range(const std::vector<NaturalFrequency>& naturals) {
    if (naturals.empty()) throw Error("The circuit has no natural frequency");
    ResponseRange r;
    r.from = naturals.front().f / 2;
    r.to = naturals.back().f * 2;
    return r;
}

void check_response_circuit(const SimParams& p) {
    check_coupling(p);
    if (!(std::isgreater(p.fin, 0) && std::isfinite(p.fin)))
        throw SettingError("The source frequency fin must be a positive frequency");
}

void check_response_range(const ResponseRange& range) {
    if (!(std::isgreater(range.from, 0) && std::isless(range.from, range.to) && std::isfinite(range.to)))
        throw SettingError("The frequency range must go from a positive frequency up to a higher one");
    if (range.points < 2) throw SettingError("The response needs at least 2 points");
    if (range.points > kMaxResponsePoints) throw SettingError("The response takes at most 1000000 points");
}

std::vector<long double> log_grid(const ResponseRange& range) {
    check_response_range(range);
    std::vector<long double> f(static_cast<std::size_t>(range.points));
    const long double ratio = range.to / range.from;
    const long double last = range.points - 1;
    for (std::int32_t i = 0; i < range.points; ++i) f[i] = range.from * std::pow(ratio, i / last);
    f.front() = range.from;
    f.back() = range.to;
    return f;
}

ResponsePoint response_at(const SimParams& p, long double f) {
    const FpEnvironment fp_environment;
    const CircuitModel m = build_model(p);
    const ResponsePoint point = point_at(m, f);
    fp_check();
    return point;
}

std::vector<ResponsePoint> frequency_response(const SimParams& p, const ResponseRange& range) {
    const FpEnvironment fp_environment;
    const std::vector<long double> grid = log_grid(range);
    const CircuitModel m = build_model(p);
    std::vector<ResponsePoint> curve;
    curve.reserve(grid.size());
    for (const long double f : grid) curve.push_back(point_at(m, f));
    fp_check();
    return curve;
}

std::vector<std::size_t> v3_maxima(const std::vector<ResponsePoint>& curve) {
    std::vector<std::size_t> peaks;
    for (std::size_t i = 1; i + 1 < curve.size(); ++i)
        if (std::isgreater(curve[i].v3_db, curve[i - 1].v3_db) &&
            std::isgreaterequal(curve[i].v3_db, curve[i + 1].v3_db))
            peaks.push_back(i);
    return peaks;
}

std::string csv_real15(long double x) {
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::scientific, 14);
    return std::string(buf, res.ptr);
}

void write_response_csv(std::ostream& out, const std::vector<ResponsePoint>& curve) {
    out << "f,v3_db,zin_ohm,zin_deg\n";
    const auto field = [](long double x) { return std::isfinite(x) ? csv_real15(x) : std::string(); };
    for (const ResponsePoint& p : curve) {
        const bool zin = std::isfinite(p.zin_ohm);
        out << csv_real15(p.f) + ',' + field(p.v3_db) + ',' + field(p.zin_ohm) + ',' +
                   (zin ? csv_real15(p.zin_deg) : std::string()) + '\n';
    }
}

void write_response_csv_file(const std::string& path, const std::vector<ResponsePoint>& curve) {
    std::ostringstream text;
    write_response_csv(text, curve);
    write_named_file("CSV", path, text.str());
}

}  // namespace zelvar
