// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/rounded_sine.h"

#include <cfenv>
#include <cmath>
#include <cstdint>
#include <cstring>

#include <mpfr.h>

namespace zelvar {

namespace {

using u64 = std::uint64_t;
using u128 = unsigned __int128;

constexpr u128 U128(u64 hi, u64 lo) { return (static_cast<u128>(hi) << 64) | lo; }

struct TablePoint {
    u128 s, c;
};

// The constants, made from MPFR by tools/sine_tables.cpp when building.
#include "sim/sine_tables.h"

// An 80-bit real as significand, biased exponent and sign.
struct Unpacked {
    u64 m;
    int biased;
    bool negative;
};

Unpacked unpack_bytes(const unsigned char* b) {
    Unpacked u;
    std::memcpy(&u.m, b, 8);
    const unsigned se = b[8] | (static_cast<unsigned>(b[9]) << 8);
    u.biased = static_cast<int>(se & 0x7fff);
    u.negative = (se >> 15) != 0;
    return u;
}

Unpacked unpack(long double x) {
    unsigned char b[sizeof(long double)] = {};
    std::memcpy(b, &x, sizeof x);
    return unpack_bytes(b);
}

// Writes the 10 bytes of an 80-bit real (the padding is left alone).
void pack_bytes(unsigned char* b, u64 m, int biased, bool negative) {
    std::memcpy(b, &m, 8);
    const std::uint16_t se = static_cast<std::uint16_t>(biased | (negative ? 0x8000 : 0));
    std::memcpy(b + 8, &se, 2);
}

constexpr int kBias = 16383;

// ---- Rounding a fixed-point result to 64 significant bits ----------------
//
// R is a non-negative value in units of 2^-127 (one integer bit, 128 bits in
// all), known to within 2^eps units.  The 80-bit value nearest to the true
// value is R's leading 64 bits, rounded up when the bit below them is set,
// unless R lies within 2^eps units of the midpoint (then the true value may
// be on the other side, and the caller evaluates more widely).  The test is
// conservative: it also refuses when the bits between the rounding bit and
// the error bound do not decide.

struct Rounded {
    bool ok = false;
    u64 m = 0;
    int biased = 0;
};

Rounded round_fixed(u128 R, int eps) {
    Rounded r;
    if (R == 0) return r;
    const u64 hi = static_cast<u64>(R >> 64), lo = static_cast<u64>(R);
    const int lead = hi != 0 ? 127 - __builtin_clzll(hi) : 63 - __builtin_clzll(lo);
    const int d = lead - 63;
    if (d < eps + 3) return r;
    const bool half_bit = ((R >> (d - 1)) & 1) != 0;
    const int mid_bits = d - 2 - eps;
    const u128 mid_mask = (static_cast<u128>(1) << mid_bits) - 1;
    const u128 mid = (R >> (eps + 1)) & mid_mask;
    if ((half_bit && mid == 0) || (!half_bit && mid == mid_mask)) return r;
    u64 m = static_cast<u64>(R >> d);
    int top = lead;
    if (half_bit) {
        if (++m == 0) {
            m = u64{1} << 63;
            ++top;
        }
    }
    r.ok = true;
    r.m = m;
    r.biased = kBias + top - 127;
    return r;
}

// ---- The 128-bit evaluation -------------------------------------------------

// The high 128 bits of the 256-bit product a·b, and the upper half of the
// low 128 bits, without the product of the two low words: the result is at
// most 2 below the true high part (in its last unit), which the error bounds
// below allow for.
inline u128 mul_full(u128 a, u128 b, u128& low) {
    const u64 a0 = static_cast<u64>(a), a1 = static_cast<u64>(a >> 64);
    const u64 b0 = static_cast<u64>(b), b1 = static_cast<u64>(b >> 64);
    const u128 p01 = static_cast<u128>(a0) * b1, p10 = static_cast<u128>(a1) * b0;
    const u128 p11 = static_cast<u128>(a1) * b1;
    const u128 mid = static_cast<u128>(static_cast<u64>(p01)) + static_cast<u64>(p10);
    low = mid << 64;
    return p11 + (p01 >> 64) + (p10 >> 64) + (mid >> 64);
}

// a·b for a in units of 2^-128 and b in units of 2^-127: units of 2^-127.
inline u128 mul_hi(u128 a, u128 b) {
    u128 low;
    return mul_full(a, b, low);
}

// a·b, both in units of 2^-127: units of 2^-127.
inline u128 mul_q1(u128 a, u128 b) {
    u128 low;
    const u128 hi = mul_full(a, b, low);
    return (hi << 1) | (low >> 127);
}

// The high 64 bits of a·b.
inline u64 mul_hi64(u64 a, u64 b) { return static_cast<u64>((static_cast<u128>(a) * b) >> 64); }

// Error bound of the 128-bit evaluation, as a power of two in units of
// 2^-127: the 64-bit parts are within 2^-102 (cos, units of 2^-105 and
// 2^-65 times e⁴ < 2^-40) and 2^-113 (sin), the 128-bit parts within a few
// units, the series cut after terms below 2^-100: below 2^25.5 in all;
// 2^27 leaves a margin.
constexpr int kFastEps = 27;

// sin x for 2^-32 <= |x| < 2^30.  False when the result cannot be decided
// at this precision.
bool sin_128(const Unpacked& a, unsigned char* out) {
    // x·(2/π) = m·2^E·(2/π), E = exponent − 63.  Bits of 2/π at 2^-i with
    // 2^(E−i) >= 4 only add multiples of 4 (m is an integer), and E <= -34,
    // so the first 192 bits T of 2/π give x·(2/π) = m·T·2^(E−192) with an
    // error below 2^(E−128) <= 2^-162, and its binary point at bit
    // q = 192 − E of m·T.
    const int E = a.biased - kBias - 63;
    // P = m·T, T's least significant word first, and two words of zeros
    // above it (set one by one: a zeroed array would cost a call).
    u64 P[6];
    u64 carry = 0;
    for (int k = 0; k < 3; ++k) {
        const u128 t = static_cast<u128>(a.m) * kReductionBits[2 - k] + carry;
        P[k] = static_cast<u64>(t);
        carry = static_cast<u64>(t >> 64);
    }
    P[3] = carry;
    P[4] = 0;
    P[5] = 0;
    const int q = 192 - E;  // 226..287
    auto bits64 = [&P](int p) {  // bits p..p+63 of P, 64 <= p <= 287
        const int w = p / 64, o = p % 64;
        return o == 0 ? P[w] : (P[w] >> o) | (P[w + 1] << (64 - o));
    };
    u128 f = (static_cast<u128>(bits64(q - 64)) << 64) | bits64(q - 128);  // fraction, units of 2^-128
    unsigned k = static_cast<unsigned>(bits64(q)) & 3;                      // quadrant
    // x = (k + f)·π/2; from f >= 1/2 on, x = (k + 1 − g)·π/2 with g = 1 − f.
    bool flip = false;
    if (f >> 127) {
        k = (k + 1) & 3;
        f = -f;
        flip = true;
    }
    // g = j/1024 + e, e < 2^-10: sin and cos of gπ/2 from those of jπ/2048
    // and of eπ/2.  The series of eπ/2 have their first terms (e, e³; 1, e²)
    // in 128-bit fixed point and the rest, below 2^-53 and 2^-41, in 64-bit
    // fixed point, up to the terms in e^9 and e^8 (the next are below 2^-100).
    // The table is 16 KB; a run's arguments move through it slowly.
    const int j = static_cast<int>(f >> 118);  // 0..512
    const u128 e = f & ((static_cast<u128>(1) << 118) - 1);
    const u128 u = mul_hi(e, e);    // e², units of 2^-128
    const u128 e3 = mul_hi(u, e);   // e³
    const u128 s_lead = mul_hi(e, kSinCoef[0]) - mul_hi(e3, kSinCoef[1]);
    const u128 c_lead = (static_cast<u128>(1) << 127) - mul_hi(u, kCosCoef[1]);
    const u64 e_64 = static_cast<u64>(e >> 54);  // e in units of 2^-74
    const u64 u_64 = static_cast<u64>(u >> 44);  // e² in units of 2^-84
    const u64 ps = kSinTail[0] - (mul_hi64(u_64, kSinTail[1] - (mul_hi64(u_64, kSinTail[2]) >> 20)) >> 20);
    const u64 pc = kCosTail[0] - (mul_hi64(u_64, kCosTail[1] - (mul_hi64(u_64, kCosTail[2]) >> 20)) >> 20);
    const u64 e5 = mul_hi64(mul_hi64(e_64, u_64), u_64);  // e⁵, units of 2^-114
    const u64 u2 = mul_hi64(u_64, u_64);                  // e⁴, units of 2^-104
    const u128 sin_b = s_lead + (static_cast<u128>(mul_hi64(e5, ps)) << 10);  // from units of 2^-117
    const u128 cos_b = c_lead + (static_cast<u128>(mul_hi64(u2, pc)) << 22);  // from units of 2^-105
    // sin, or cos in the odd quadrants: the two products, whose factors the
    // quadrant picks.
    const TablePoint& t = kTable[j];
    const bool odd = (k & 1) != 0;
    const u128 first = mul_q1(odd ? t.c : t.s, cos_b), second = mul_q1(odd ? t.s : t.c, sin_b);
    const u128 R = odd ? first - second : first + second;
    const Rounded r = round_fixed(R, kFastEps);
    if (!r.ok) return false;
    const bool negative = (a.negative != ((k & 2) != 0)) != (flip && !(k & 1));
    pack_bytes(out, r.m, r.biased, negative);
    return true;
}

// ---- The wide evaluation -----------------------------------------------------
//
// MPFR's sine, correctly rounded to 64 significant bits (the 80-bit
// format's), for any finite argument of at least 2^-32: the sines of those
// are normal 80-bit values, so that the 64-bit result is the 80-bit one.

// MPFR keeps the bits of π it computed in a cache of each thread; a worker
// thread that used it releases it when it ends.
struct MpfrCacheRelease {
    ~MpfrCacheRelease() { mpfr_free_cache2(MPFR_FREE_LOCAL_CACHE); }
};

long double wide(long double x) {
    static thread_local MpfrCacheRelease release;
    (void)release;
    // MPFR's conversions compute with the floating-point unit and may leave
    // flags behind (an overflow for 1E4000): the caller's flags are kept.
    std::fenv_t caller;
    std::feholdexcept(&caller);
    mpfr_t v;
    mpfr_init2(v, 64);
    mpfr_set_ld(v, x, MPFR_RNDN);  // exact: the argument has 64 bits
    mpfr_sin(v, v, MPFR_RNDN);
    const long double out = mpfr_get_ld(v, MPFR_RNDN);  // exact
    mpfr_clear(v);
    std::fesetenv(&caller);
    return out;
}

}  // namespace

long double rounded_sin(long double x) {
    const Unpacked a = unpack(x);
    if (a.biased == 0x7fff) return std::sin(x);  // infinity or NaN: NaN, invalid operation
    // Below 2^-32, x − sin x < |x|³/6 is less than half the spacing of the
    // 80-bit values below |x|: the nearest value is x itself (and ±0 stays).
    if (a.biased < kBias - 32) return x;
    unsigned char b[sizeof(long double)] = {};
    if (a.biased < kBias + 30 && sin_128(a, b)) {
        long double out;
        std::memcpy(&out, b, sizeof out);
        return out;
    }
    return wide(x);
}

void rounded_sin(const long double* x, long double* y, int n) {
    for (int i = 0; i < n; ++i) {
        // The bytes of x[i] and y[i] are read and written as integers: an
        // 80-bit value stored or loaded right before through the floating-
        // point unit would stall the integer access that follows.
        unsigned char* out = reinterpret_cast<unsigned char*>(y + i);
        const Unpacked a = unpack_bytes(reinterpret_cast<const unsigned char*>(x + i));
        if (a.biased >= kBias - 32 && a.biased < kBias + 30 && sin_128(a, out)) continue;
        y[i] = rounded_sin(x[i]);
    }
}

namespace detail {

long double rounded_sin_wide(long double x) {
    const Unpacked a = unpack(x);
    if (a.biased == 0x7fff) return std::sin(x);
    if (a.biased < kBias - 32) return x;
    return wide(x);
}

}  // namespace detail

}  // namespace zelvar
