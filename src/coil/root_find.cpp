// SPDX-License-Identifier: GPL-3.0-or-later
#include "coil/root_find.h"

#include <cmath>
#include <limits>

namespace zelvar::coil {

long double brent_root(const std::function<long double(long double)>& f, long double lo, long double hi,
                       long double tol) {
    const long double eps = std::numeric_limits<long double>::epsilon();
    long double a = lo, b = hi, fa = f(a), fb = f(b);
    if (fa == 0) return a;
    if (fb == 0) return b;
    long double c = a, fc = fa, d = b - a, e = d;
    for (int iter = 0; iter < 300; ++iter) {
        if ((fb > 0) == (fc > 0)) {
            c = a;
            fc = fa;
            d = e = b - a;
        }
        if (std::fabs(fc) < std::fabs(fb)) {
            a = b;
            b = c;
            c = a;
            fa = fb;
            fb = fc;
            fc = fa;
        }
        const long double t = 2 * eps * std::fabs(b) + tol;
        const long double m = (c - b) / 2;
        if (std::fabs(m) <= t || fb == 0) return b;
        if (std::fabs(e) < t || std::fabs(fa) <= std::fabs(fb)) {
            d = e = m;
        } else {
            long double p, q, s = fb / fa;
            if (a == c) {
                p = 2 * m * s;
                q = 1 - s;
            } else {
                const long double qq = fa / fc, r = fb / fc;
                p = s * (2 * m * qq * (qq - r) - (b - a) * (r - 1));
                q = (qq - 1) * (r - 1) * (s - 1);
            }
            if (p > 0)
                q = -q;
            else
                p = -p;
            s = e;
            e = d;
            if (2 * p < 3 * m * q - std::fabs(t * q) && p < std::fabs(s * q / 2)) {
                d = p / q;
            } else {
                d = e = m;
            }
        }
        a = b;
        fa = fb;
        b += std::fabs(d) > t ? d : (m > 0 ? t : -t);
        fb = f(b);
    }
    return b;
}

}  // namespace zelvar::coil
