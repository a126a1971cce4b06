// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/eigenvalues.h"

#include <cfloat>
#include <cmath>

#include "app/faults.h"

namespace zelvar {

namespace {

// |re| + |im|: cheap, and never overflows where the modulus would not.
long double norm1(const Complex& z) { return std::fabs(z.real()) + std::fabs(z.imag()); }

// Scales row i by 1/f and column i by f, f a power of two, until the
// off-diagonal row and column sums are of the same size.
void balance(std::vector<long double>& a, int n) {
    auto at = [&](int r, int c) -> long double& { return a[static_cast<std::size_t>(r) * n + c]; };
    bool done = false;
    while (!done) {
        done = true;
        for (int i = 0; i < n; ++i) {
            long double c = 0, r = 0;
            for (int j = 0; j < n; ++j) {
                if (j == i) continue;
                c += std::fabs(at(j, i));
                r += std::fabs(at(i, j));
            }
            if (c == 0 || r == 0) continue;
            const long double s = c + r;
            long double f = 1;
            long double g = r / 2;
            while (c < g) {
                f *= 2;
                c *= 4;
            }
            g = r * 2;
            while (c > g) {
                f /= 2;
                c /= 4;
            }
            if ((c + r) / f < 0.95L * s) {
                done = false;
                for (int j = 0; j < n; ++j) at(i, j) /= f;
                for (int j = 0; j < n; ++j) at(j, i) *= f;
            }
        }
    }
}

// Householder reduction to upper Hessenberg form (similar to a).
void hessenberg(std::vector<long double>& a, int n) {
    auto at = [&](int r, int c) -> long double& { return a[static_cast<std::size_t>(r) * n + c]; };
    std::vector<long double> v(static_cast<std::size_t>(n));
    for (int k = 0; k + 2 < n; ++k) {
        long double scale = 0;
        for (int i = k + 1; i < n; ++i) scale += std::fabs(at(i, k));
        if (scale == 0) continue;
        long double norm2 = 0;
        for (int i = k + 1; i < n; ++i) {
            v[i] = at(i, k) / scale;
            norm2 += v[i] * v[i];
        }
        const long double alpha = std::signbit(v[k + 1]) ? std::sqrt(norm2) : -std::sqrt(norm2);
        v[k + 1] -= alpha;
        long double vv = 0;
        for (int i = k + 1; i < n; ++i) vv += v[i] * v[i];
        if (vv == 0) continue;
        // a := (I − 2vvᵀ/vᵀv)·a·(I − 2vvᵀ/vᵀv)
        for (int j = 0; j < n; ++j) {
            long double t = 0;
            for (int i = k + 1; i < n; ++i) t += v[i] * at(i, j);
            t = 2 * t / vv;
            for (int i = k + 1; i < n; ++i) at(i, j) -= t * v[i];
        }
        for (int i = 0; i < n; ++i) {
            long double t = 0;
            for (int j = k + 1; j < n; ++j) t += at(i, j) * v[j];
            t = 2 * t / vv;
            for (int j = k + 1; j < n; ++j) at(i, j) -= t * v[j];
        }
        for (int i = k + 2; i < n; ++i) at(i, k) = 0;
    }
}

// The eigenvalue of the 2 × 2 block [[a, b], [c, d]] nearer to d.
Complex wilkinson_shift(Complex a, Complex b, Complex c, Complex d) {
    const Complex half = (a - d) / 2.0L;
    Complex root = std::sqrt(half * half + b * c);
    // The root whose sign makes (d − half ∓ root) the one nearer to d.
    if (norm1(half + root) < norm1(half - root)) root = -root;
    const Complex denom = half + root;
    if (norm1(denom) == 0) return d;
    return d - (b * c) / denom;
}

}  // namespace

std::vector<Complex> eigenvalues(std::vector<long double> a, int n) {
    balance(a, n);
    hessenberg(a, n);
    std::vector<Complex> h(a.begin(), a.end());
    auto at = [&](int r, int c) -> Complex& { return h[static_cast<std::size_t>(r) * n + c]; };
    std::vector<Complex> result(static_cast<std::size_t>(n));
    std::vector<long double> cs(static_cast<std::size_t>(n));
    std::vector<Complex> sn(static_cast<std::size_t>(n));

    int hi = n - 1;
    int sweeps = 0;
    while (hi >= 0) {
        // The lowest l whose block l..hi has no negligible subdiagonal entry.
        int l = hi;
        while (l > 0) {
            const long double beside = norm1(at(l - 1, l - 1)) + norm1(at(l, l));
            if (norm1(at(l, l - 1)) <= LDBL_EPSILON * beside) {
                at(l, l - 1) = 0;
                break;
            }
            --l;
        }
        if (l == hi) {
            result[hi] = at(hi, hi);
            --hi;
            sweeps = 0;
            continue;
        }
        if (++sweeps > 60) throw Error("The eigenvalues of the circuit did not converge");
        Complex mu = wilkinson_shift(at(hi - 1, hi - 1), at(hi - 1, hi), at(hi, hi - 1), at(hi, hi));
        // Now and then an exceptional shift breaks a cycle.
        if (sweeps % 11 == 0) mu = at(hi, hi) + Complex(norm1(at(hi, hi - 1)), 0);

        // One QR step on the block l..hi: H − μI = QR, H := RQ + μI, with
        // Givens rotations G_k = [[c, s], [−s̄, c]].
        for (int k = l; k <= hi; ++k) at(k, k) -= mu;
        for (int k = l; k < hi; ++k) {
            const Complex x = at(k, k), y = at(k + 1, k);
            const long double ax = std::abs(x);
            const long double r = std::hypot(ax, std::abs(y));
            if (r == 0) {
                cs[k] = 1;
                sn[k] = 0;
                continue;
            }
            if (ax == 0) {
                cs[k] = 0;
                sn[k] = 1;
            } else {
                cs[k] = ax / r;
                sn[k] = (x / ax) * std::conj(y) / r;
            }
            for (int j = k; j <= hi; ++j) {
                const Complex u = at(k, j), w = at(k + 1, j);
                at(k, j) = cs[k] * u + sn[k] * w;
                at(k + 1, j) = -std::conj(sn[k]) * u + cs[k] * w;
            }
        }
        for (int k = l; k < hi; ++k) {
            const int last = k + 1 < hi ? k + 2 : hi;
            for (int i = l; i <= last; ++i) {
                const Complex u = at(i, k), w = at(i, k + 1);
                at(i, k) = u * cs[k] + w * std::conj(sn[k]);
                at(i, k + 1) = -u * sn[k] + w * cs[k];
            }
        }
        for (int k = l; k <= hi; ++k) at(k, k) += mu;
    }
    return result;
}

}  // namespace zelvar
