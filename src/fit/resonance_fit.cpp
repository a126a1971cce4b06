// SPDX-License-Identifier: GPL-3.0-or-later
#include "fit/resonance_fit.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "app/faults.h"
#include "report/format.h"

namespace zelvar::fit {

namespace {

constexpr const char* kUnknownNames[kUnknowns] = {"C1", "L1", "C2", "L2", "C3", "L3", "k12"};
constexpr long double ElementValues::*kUnknownFields[kUnknowns] = {
    &ElementValues::C1, &ElementValues::L1, &ElementValues::C2, &ElementValues::L2,
    &ElementValues::C3, &ElementValues::L3, &ElementValues::k12};

using Matrix = std::vector<std::vector<long double>>;

// Eigenvalues and eigenvectors (columns of v) of the symmetric matrix a, by
// cyclic Jacobi rotations (Numerical Recipes §11.1).
void symmetric_eigen(Matrix a, std::vector<long double>& values, Matrix& v) {
    const std::size_t n = a.size();
    v.assign(n, std::vector<long double>(n, 0));
    for (std::size_t i = 0; i < n; ++i) v[i][i] = 1;
    for (int sweep = 0; sweep < 100; ++sweep) {
        long double off = 0;
        for (std::size_t p = 0; p < n; ++p)
            for (std::size_t q = p + 1; q < n; ++q) off += a[p][q] * a[p][q];
        if (off == 0) break;
        for (std::size_t p = 0; p < n; ++p)
            for (std::size_t q = p + 1; q < n; ++q) {
                if (a[p][q] == 0) continue;
                const long double theta = (a[q][q] - a[p][p]) / (2 * a[p][q]);
                const long double t = (theta >= 0 ? 1 : -1) / (std::fabs(theta) + std::sqrt(theta * theta + 1));
                const long double c = 1 / std::sqrt(t * t + 1), s = t * c;
                for (std::size_t k = 0; k < n; ++k) {
                    const long double akp = a[k][p], akq = a[k][q];
                    a[k][p] = c * akp - s * akq;
                    a[k][q] = s * akp + c * akq;
                }
                for (std::size_t k = 0; k < n; ++k) {
                    const long double apk = a[p][k], aqk = a[q][k];
                    a[p][k] = c * apk - s * aqk;
                    a[q][k] = s * apk + c * aqk;
                }
                for (std::size_t k = 0; k < n; ++k) {
                    const long double vkp = v[k][p], vkq = v[k][q];
                    v[k][p] = c * vkp - s * vkq;
                    v[k][q] = s * vkp + c * vkq;
                }
            }
    }
    values.resize(n);
    for (std::size_t i = 0; i < n; ++i) values[i] = a[i][i];
}

// Solves a·x = b by Gaussian elimination with partial pivoting; false when a
// is singular.
bool solve(Matrix a, std::vector<long double> b, std::vector<long double>& x) {
    const std::size_t n = b.size();
    for (std::size_t k = 0; k < n; ++k) {
        std::size_t pivot = k;
        for (std::size_t r = k + 1; r < n; ++r)
            if (std::fabs(a[r][k]) > std::fabs(a[pivot][k])) pivot = r;
        if (a[pivot][k] == 0) return false;
        std::swap(a[k], a[pivot]);
        std::swap(b[k], b[pivot]);
        for (std::size_t r = k + 1; r < n; ++r) {
            const long double f = a[r][k] / a[k][k];
            for (std::size_t c = k; c < n; ++c) a[r][c] -= f * a[k][c];
            b[r] -= f * b[k];
        }
    }
    x.assign(n, 0);
    for (std::size_t r = n; r-- > 0;) {
        long double s = b[r];
        for (std::size_t c = r + 1; c < n; ++c) s -= a[r][c] * x[c];
        x[r] = s / a[r][r];
    }
    return std::isfinite(std::fabs(x[0]));
}

// The fit's problem: the unknowns' indices, the measured frequencies, their
// weights, and the model on θ.
struct Problem {
    ElementValues nominal;
    std::vector<int> unknowns;
    std::vector<int> measured;
    std::vector<long double> f, sigma;

    ElementValues values(const std::vector<long double>& theta) const {
        ElementValues v = nominal;
        for (std::size_t j = 0; j < unknowns.size(); ++j)
            v.*kUnknownFields[unknowns[j]] = nominal.*kUnknownFields[unknowns[j]] * std::exp(theta[j]);
        return v;
    }
    // The weighted residuals; false where θ is not a valid network.
    bool residuals(const std::vector<long double>& theta, std::vector<long double>& r) const {
        const ElementValues v = values(theta);
        for (int j = 0; j < 6; ++j)
            if (!(std::isfinite(v.*kUnknownFields[j]) && v.*kUnknownFields[j] > 0)) return false;
        if (!(v.k12 > 0 && v.k12 < 0.999L)) return false;
        const std::array<long double, kMeasurements> model = network_frequencies(v);
        r.resize(measured.size());
        for (std::size_t i = 0; i < measured.size(); ++i) {
            r[i] = (model[measured[i]] - f[i]) / (f[i] * sigma[i]);
            if (!std::isfinite(r[i])) return false;
        }
        return true;
    }
    bool jacobian(const std::vector<long double>& theta, Matrix& J) const {
        constexpr long double h = 1e-6L;
        J.assign(measured.size(), std::vector<long double>(unknowns.size(), 0));
        std::vector<long double> rp, rm;
        for (std::size_t j = 0; j < unknowns.size(); ++j) {
            std::vector<long double> tp = theta, tm = theta;
            tp[j] += h;
            tm[j] -= h;
            if (!residuals(tp, rp) || !residuals(tm, rm)) return false;
            for (std::size_t i = 0; i < measured.size(); ++i) J[i][j] = (rp[i] - rm[i]) / (2 * h);
        }
        return true;
    }
};

long double sum_squares(const std::vector<long double>& r) {
    long double s = 0;
    for (long double x : r) s += x * x;
    return s;
}

Matrix normal_matrix(const Matrix& J, std::size_t n) {
    Matrix H(n, std::vector<long double>(n, 0));
    for (const auto& row : J)
        for (std::size_t a = 0; a < n; ++a)
            for (std::size_t b = 0; b < n; ++b) H[a][b] += row[a] * row[b];
    return H;
}

// Raises the rank-deficiency message when JᵀJ, scaled to a unit diagonal,
// has an eigenvalue below 1E-10 of its size (the measurements fix only a
// combination of some unknowns, or do not depend on one).
void check_rank(const Problem& pb, const Matrix& J) {
    const std::size_t n = pb.unknowns.size();
    Matrix H = normal_matrix(J, n);
    std::vector<long double> d(n);
    for (std::size_t j = 0; j < n; ++j) {
        if (!(H[j][j] > 0)) {
            throw Error(std::string("The measured frequencies do not depend on ") + kUnknownNames[pb.unknowns[j]] +
                        ": measure a set-up that does, or hold it at its value");
        }
        d[j] = 1 / std::sqrt(H[j][j]);
    }
    for (std::size_t a = 0; a < n; ++a)
        for (std::size_t b = 0; b < n; ++b) H[a][b] *= d[a] * d[b];
    std::vector<long double> values;
    Matrix v;
    symmetric_eigen(H, values, v);
    std::size_t low = 0;
    for (std::size_t j = 1; j < n; ++j)
        if (values[j] < values[low]) low = j;
    if (values[low] >= 1e-10L) return;
    std::vector<std::string> names;
    long double largest = 0;
    for (std::size_t j = 0; j < n; ++j) largest = std::max(largest, std::fabs(v[j][low]));
    for (std::size_t j = 0; j < n; ++j)
        if (std::fabs(v[j][low]) > 0.05L * largest) names.push_back(kUnknownNames[pb.unknowns[j]]);
    std::string list;
    for (std::size_t k = 0; k < names.size(); ++k)
        list += (k == 0 ? "" : k + 1 == names.size() ? " and " : ", ") + names[k];
    throw Error("The measured frequencies cannot tell " + list +
                " apart (they fix only a combination of them): measure another set-up, or hold one of them at "
                "its value");
}

struct Converged {
    std::vector<long double> theta;
    long double chi2 = 0;
    int iterations = 0;
};

// Levenberg–Marquardt from theta; false when it does not reach a minimum.
bool levenberg_marquardt(const Problem& pb, std::vector<long double> theta, Converged& out,
                         const std::atomic<bool>* cancel) {
    const std::size_t n = theta.size();
    std::vector<long double> r, trial_r, delta;
    if (!pb.residuals(theta, r)) return false;
    long double chi2 = sum_squares(r);
    long double lambda = 1e-3L;
    Matrix J;
    for (int it = 1; it <= 200; ++it) {
        if (cancel != nullptr && cancel->load()) throw Error("The fit was cancelled");
        if (!pb.jacobian(theta, J)) return false;
        const Matrix H = normal_matrix(J, n);
        std::vector<long double> g(n, 0);
        for (std::size_t i = 0; i < J.size(); ++i)
            for (std::size_t j = 0; j < n; ++j) g[j] -= J[i][j] * r[i];
        bool accepted = false;
        long double step = 0;
        while (!accepted) {
            Matrix A = H;
            for (std::size_t j = 0; j < n; ++j) A[j][j] += lambda * (H[j][j] > 0 ? H[j][j] : 1);
            if (!solve(A, g, delta)) {
                lambda *= 10;
            } else {
                // Steps of at most a factor e per iteration.
                long double largest = 0;
                for (long double x : delta) largest = std::max(largest, std::fabs(x));
                if (largest > 1)
                    for (long double& x : delta) x /= largest;
                std::vector<long double> trial = theta;
                for (std::size_t j = 0; j < n; ++j) trial[j] += delta[j];
                if (pb.residuals(trial, trial_r) && sum_squares(trial_r) <= chi2) {
                    const long double trial_chi2 = sum_squares(trial_r);
                    const long double gain = chi2 - trial_chi2;
                    theta = trial;
                    r = trial_r;
                    chi2 = trial_chi2;
                    lambda = std::max(lambda / 10, 1e-12L);
                    step = std::min(largest, 1.0L);
                    accepted = true;
                    if (step < 1e-15L || chi2 < 1e-26L || (gain <= 1e-15L * chi2 && it > 3)) {
                        out.theta = theta;
                        out.chi2 = chi2;
                        out.iterations = it;
                        return true;
                    }
                } else {
                    lambda *= 10;
                }
            }
            if (lambda > 1e16L) {
                // No step lowers χ² any more: a minimum when the gradient
                // is negligible.
                long double gn = 0;
                for (long double x : g) gn = std::max(gn, std::fabs(x));
                out.theta = theta;
                out.chi2 = chi2;
                out.iterations = it;
                return gn < 1e-8L * (1 + chi2);
            }
        }
    }
    return false;
}

// The grid of starts: the nominal values first, then each unknown at ×½, ×1
// and ×2 (k12 at ½, 1 and 2 times, below 0.95) in every combination for up to
// four unknowns, one at a time beyond that.
std::vector<std::vector<long double>> starts(const Problem& pb) {
    const std::size_t n = pb.unknowns.size();
    auto levels = [&](std::size_t j) {
        std::vector<long double> l = {0, -std::log(2.0L), std::log(2.0L)};
        if (pb.unknowns[j] == kK12) {
            const long double k = pb.nominal.k12;
            l[2] = std::log(std::min(2 * k, 0.95L) / k);
        }
        return l;
    };
    std::vector<std::vector<long double>> s;
    s.push_back(std::vector<long double>(n, 0));
    if (n <= 4) {
        std::size_t total = 1;
        for (std::size_t j = 0; j < n; ++j) total *= 3;
        for (std::size_t c = 1; c < total; ++c) {
            std::vector<long double> t(n);
            std::size_t rest = c;
            for (std::size_t j = 0; j < n; ++j) {
                t[j] = levels(j)[rest % 3];
                rest /= 3;
            }
            s.push_back(t);
        }
    } else {
        for (std::size_t j = 0; j < n; ++j)
            for (int l = 1; l < 3; ++l) {
                std::vector<long double> t(n, 0);
                t[j] = levels(j)[l];
                s.push_back(t);
            }
    }
    return s;
}

long double distance(const std::vector<long double>& a, const std::vector<long double>& b) {
    long double d = 0;
    for (std::size_t j = 0; j < a.size(); ++j) d = std::max(d, std::fabs(a[j] - b[j]));
    return d;
}

FitSolution solution_at(const Problem& pb, const Converged& c) {
    FitSolution s;
    s.values = pb.values(c.theta);
    s.chi2 = c.chi2;
    s.iterations = c.iterations;
    const std::array<long double, kMeasurements> model = network_frequencies(s.values);
    for (std::size_t i = 0; i < pb.measured.size(); ++i)
        s.residual[pb.measured[i]] = (model[pb.measured[i]] - pb.f[i]) / pb.f[i];
    Matrix J;
    if (!pb.jacobian(c.theta, J)) throw Error("The fitted network is at the edge of the valid values");
    check_rank(pb, J);
    const std::size_t n = pb.unknowns.size();
    const Matrix H = normal_matrix(J, n);
    for (std::size_t j = 0; j < n; ++j) {
        std::vector<long double> e(n, 0), col;
        e[j] = 1;
        if (!solve(H, e, col)) throw Error("The covariance of the fit cannot be formed");
        const long double value = s.values.*kUnknownFields[pb.unknowns[j]];
        s.uncertainty[pb.unknowns[j]] = value * std::sqrt(std::max(col[j], 0.0L));
    }
    return s;
}

}  // namespace

const char* unknown_name(int u) { return kUnknownNames[u]; }
long double ElementValues::*unknown_field(int u) { return kUnknownFields[u]; }

UnknownSet parse_unknowns(const std::string& text) {
    UnknownSet set{};
    std::size_t start = 0;
    bool any = false;
    while (start <= text.size()) {
        std::size_t end = text.find(',', start);
        if (end == std::string::npos) end = text.size();
        std::string name = text.substr(start, end - start);
        const std::size_t a = name.find_first_not_of(" \t"), b = name.find_last_not_of(" \t");
        name = a == std::string::npos ? "" : name.substr(a, b - a + 1);
        int found = -1;
        for (int u = 0; u < kUnknowns; ++u)
            if (name == kUnknownNames[u]) found = u;
        if (found < 0)
            throw Error("The unknown '" + name + "' is not one of C1, L1, C2, L2, C3, L3 and k12");
        if (set[found]) throw Error("The unknown " + name + " is given twice");
        set[found] = true;
        any = true;
        start = end + 1;
    }
    if (!any) throw Error("No unknown is given");
    return set;
}

std::string unknowns_text(const UnknownSet& set) {
    std::string text;
    for (int u = 0; u < kUnknowns; ++u)
        if (set[u]) {
            if (!text.empty()) text += ',';
            text += kUnknownNames[u];
        }
    return text;
}

int measured_count(const FitInput& in) {
    int n = 0;
    for (long double f : in.measured)
        if (f != 0) ++n;
    return n;
}

FitResult fit_network(const FitInput& in, const std::atomic<bool>* cancel) {
    const FpEnvironment fp_environment;
    check_network(in.nominal);
    Problem pb;
    pb.nominal = in.nominal;
    for (int u = 0; u < kUnknowns; ++u)
        if (in.unknowns[u]) pb.unknowns.push_back(u);
    if (pb.unknowns.empty()) throw Error("No unknown is chosen: choose at least one of C1, L1, C2, L2, C3, L3 and k12");
    for (int m = 0; m < kMeasurements; ++m) {
        const long double f = in.measured[m];
        if (f == 0) continue;
        if (!(std::isfinite(f) && f > 0))
            throw Error(std::string("The measured frequency ") + measurement_name(m) + " must be a positive number");
        const long double u = in.uncertainty[m] == 0 ? kDefaultUncertainty : in.uncertainty[m];
        if (!(u > 0 && u < 1))
            throw Error(std::string("The uncertainty of ") + measurement_name(m) + " must lie above 0 and below 100 %");
        pb.measured.push_back(m);
        pb.f.push_back(f);
        pb.sigma.push_back(u);
    }
    const std::size_t n = pb.unknowns.size();
    if (pb.measured.size() < n)
        throw Error(std::to_string(n) + " unknowns (" + unknowns_text(in.unknowns) + ") need at least " +
                    std::to_string(n) + " measured frequencies; " + std::to_string(pb.measured.size()) +
                    (pb.measured.size() == 1 ? " is" : " are") + " given");
    {
        Matrix J;
        if (!pb.jacobian(std::vector<long double>(n, 0), J)) throw Error("The nominal network is not valid");
        check_rank(pb, J);
    }

    std::vector<Converged> found;
    for (const std::vector<long double>& start : starts(pb)) {
        Converged c;
        if (!levenberg_marquardt(pb, start, c, cancel)) continue;
        bool seen = false;
        for (Converged& f : found)
            if (distance(f.theta, c.theta) < 1e-6L) {
                if (c.chi2 < f.chi2) f = c;
                seen = true;
            }
        if (!seen) found.push_back(c);
    }
    if (found.empty()) throw Error("The fit does not converge from any start: check the measured frequencies");
    long double best = std::numeric_limits<long double>::infinity();
    for (const Converged& c : found) best = std::min(best, c.chi2);
    std::vector<Converged> equal;
    for (const Converged& c : found)
        if (c.chi2 <= best + 1) equal.push_back(c);
    // Nearest the nominal values first.
    std::sort(equal.begin(), equal.end(), [&](const Converged& a, const Converged& b) {
        return sum_squares(a.theta) < sum_squares(b.theta);
    });
    FitResult result;
    for (const Converged& c : equal) result.solutions.push_back(solution_at(pb, c));
    if (result.ambiguous()) {
        // How far each other set-up's frequencies differ between any two
        // solutions; the widest of the primary open and shorted is named.
        long double spreads[3] = {};
        long double widest = -1;
        int k = 0;
        for (Setup s : {Setup::open, Setup::shorted, Setup::extra}) {
            long double& spread = spreads[k++];
            for (const FitSolution& a : result.solutions)
                for (const FitSolution& b : result.solutions) {
                    const std::vector<long double> fa = setup_frequencies(a.values, s);
                    const std::vector<long double> fb = setup_frequencies(b.values, s);
                    for (std::size_t i = 0; i < fa.size(); ++i) spread = std::max(spread, std::fabs(fa[i] / fb[i] - 1));
                }
            if (s != Setup::extra && spread > widest) {
                widest = spread;
                result.tells_apart = s;
            }
        }
        auto percent = [](long double x) { return F(x * 100, 0, 2) + " %"; };
        result.ambiguity = std::to_string(result.solutions.size()) +
                           " sets of values fit the measured frequencies equally well: measure the " +
                           setup_name(result.tells_apart) + " to tell them apart (its frequencies differ by " +
                           percent(widest) + "; primary open " + percent(spreads[0]) + ", primary shorted " +
                           percent(spreads[1]) + ", extra coil alone " + percent(spreads[2]) + ")";
    }
    fp_clear();
    return result;
}

}  // namespace zelvar::fit
