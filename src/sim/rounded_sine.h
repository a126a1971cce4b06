// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The sine of an 80-bit real, correctly rounded: the 80-bit value nearest to
// the true sine of the same argument.  The source's sine wave uses it.
//
// The processor's FSIN instruction is not always that value: it reduces its
// argument with a 66-bit π, and is a microcoded instruction of about a
// hundred cycles.  This one reduces with 192 bits of 2/π (exact integer
// arithmetic) and evaluates in 128-bit fixed point for arguments below 2^30;
// MPFR's correctly rounded sine (mpfr_sin) takes the larger arguments and
// the rare ones whose sine lies too close to the midpoint between two
// 80-bit values to be decided at 128 bits.
//
// No floating-point fault flag is raised for a finite argument; an infinite
// or NaN argument gives NaN with the invalid-operation flag, as before.
namespace zelvar {

long double rounded_sin(long double x);

// y[i] := rounded_sin(x[i]) for i < n, faster than one call per value.
void rounded_sin(const long double* x, long double* y, int n);

namespace detail {

// The wide evaluation (MPFR) alone, for the tests: the same values as rounded_sin.
long double rounded_sin_wide(long double x);

}  // namespace detail

}  // namespace zelvar
