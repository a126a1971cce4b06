// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A root of a continuous function on a bracket, by Brent's method (inverse
// quadratic interpolation, secant and bisection).
// Source: R. P. Brent, "Algorithms for Minimization without Derivatives",
// 1973, ch. 4 (procedure zero).
// Range: f(lo) and f(hi) of opposite signs (or one of them zero); the root
// is returned to a bracket width of 4·eps·|x| + tol, eps the 80-bit epsilon.
#include <functional>

namespace zelvar::coil {

long double brent_root(const std::function<long double(long double)>& f, long double lo, long double hi,
                       long double tol = 0);

}  // namespace zelvar::coil
