// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the constants of the correctly rounded sine's 128-bit evaluation
// (src/sim/rounded_sine.cpp), computed with MPFR to 2,000 bits and then
// truncated or rounded to the stated unit:
//   kReductionBits  the first 192 bits of 2/π after the binary point, truncated;
//   kTable          sin and cos of j·π/2048, j = 0..512, units of 2^-127, rounded;
//   kSinCoef        (π/2)^(2k+1)/(2k+1)!, k = 0, 1, units of 2^-127, rounded;
//   kCosCoef        (π/2)^(2k)/(2k)!, k = 0, 1, units of 2^-127, rounded;
//   kSinTail        (π/2)^(2k+1)/(2k+1)!, k = 2..4, units of 2^-67, rounded;
//   kCosTail        (π/2)^(2k)/(2k)!, k = 2..4, units of 2^-65, rounded.
// The build runs it: sine_tables OUTPUT_HEADER.
#include <gmp.h>
#include <mpfr.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr mpfr_prec_t kPrecision = 2000;

struct Real {
    mpfr_t v;
    Real() { mpfr_init2(v, kPrecision); }
    ~Real() { mpfr_clear(v); }
    Real(const Real&) = delete;
    Real& operator=(const Real&) = delete;
};

// x·2^unit_bits as an integer (rounded to nearest or truncated), in hex
// digits, at least `digits` of them.
std::string scaled_hex(const mpfr_t x, int unit_bits, bool truncate, std::size_t digits) {
    Real s;
    mpfr_mul_2si(s.v, x, unit_bits, MPFR_RNDN);  // exact
    mpz_t z;
    mpz_init(z);
    mpfr_get_z(z, s.v, truncate ? MPFR_RNDZ : MPFR_RNDN);
    char* text = mpz_get_str(nullptr, 16, z);
    std::string hex(text);
    void (*release)(void*, std::size_t);
    mp_get_memory_functions(nullptr, nullptr, &release);
    release(text, hex.size() + 1);
    mpz_clear(z);
    if (hex.size() < digits) hex.insert(0, digits - hex.size(), '0');
    return hex;
}

// A 128-bit constant as U128(0x…ULL, 0x…ULL).
std::string u128(const mpfr_t x, int unit_bits) {
    const std::string h = scaled_hex(x, unit_bits, false, 32);
    if (h.size() != 32) {
        std::fprintf(stderr, "sine_tables: a 128-bit constant does not fit\n");
        std::exit(1);
    }
    return "U128(0x" + h.substr(0, 16) + "ULL, 0x" + h.substr(16) + "ULL)";
}

std::string u64(const mpfr_t x, int unit_bits) {
    const std::string h = scaled_hex(x, unit_bits, false, 16);
    if (h.size() != 16) {
        std::fprintf(stderr, "sine_tables: a 64-bit constant does not fit\n");
        std::exit(1);
    }
    return "0x" + h + "ULL";
}

// (π/2)^k / k!
void taylor_coefficient(mpfr_t out, const mpfr_t half_pi, unsigned k) {
    mpfr_pow_ui(out, half_pi, k, MPFR_RNDN);
    Real f;
    mpfr_fac_ui(f.v, k, MPFR_RNDN);
    mpfr_div(out, out, f.v, MPFR_RNDN);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: sine_tables OUTPUT_HEADER\n");
        return 64;
    }
    std::string out =
        "// Made by tools/sine_tables.cpp when building (MPFR, 2,000 bits): do not edit.\n"
        "#pragma once\n\n";
    {
        Real half_pi, two_over_pi, angle, s, c;
        mpfr_const_pi(half_pi.v, MPFR_RNDN);
        mpfr_div_2ui(half_pi.v, half_pi.v, 1, MPFR_RNDN);
        mpfr_ui_div(two_over_pi.v, 1, half_pi.v, MPFR_RNDN);

        out += "// The first 192 bits of 2/pi after the binary point, most significant word first.\n";
        out += "constexpr std::uint64_t kReductionBits[3] = {\n";
        const std::string bits = scaled_hex(two_over_pi.v, 192, true, 48);
        for (int w = 0; w < 3; ++w) out += "    0x" + bits.substr(16 * w, 16) + "ULL,\n";
        out += "};\n";

        out += "// sin and cos of j*pi/2048, j = 0..512, with one integer bit (units of 2^-127), rounded.\n";
        out += "constexpr TablePoint kTable[513] = {\n";
        for (unsigned j = 0; j <= 512; ++j) {
            mpfr_const_pi(angle.v, MPFR_RNDN);
            mpfr_mul_ui(angle.v, angle.v, j, MPFR_RNDN);
            mpfr_div_2ui(angle.v, angle.v, 11, MPFR_RNDN);
            mpfr_sin_cos(s.v, c.v, angle.v, MPFR_RNDN);
            out += "    {" + u128(s.v, 127) + ", " + u128(c.v, 127) + "},\n";
        }
        out += "};\n";

        Real t;
        out += "// (pi/2)^(2k+1)/(2k+1)! and (pi/2)^(2k)/(2k)!, k = 0, 1, units of 2^-127, rounded.\n";
        out += "constexpr u128 kSinCoef[2] = {\n";
        for (unsigned k : {1u, 3u}) {
            taylor_coefficient(t.v, half_pi.v, k);
            out += "    " + u128(t.v, 127) + ",\n";
        }
        out += "};\nconstexpr u128 kCosCoef[2] = {\n";
        for (unsigned k : {0u, 2u}) {
            taylor_coefficient(t.v, half_pi.v, k);
            out += "    " + u128(t.v, 127) + ",\n";
        }
        out += "};\n";
        out += "// (pi/2)^(2k+1)/(2k+1)!, k = 2..4, in units of 2^-67, and (pi/2)^(2k)/(2k)!,\n"
               "// k = 2..4, in units of 2^-65, rounded.\n";
        out += "constexpr u64 kSinTail[3] = {";
        for (unsigned k : {5u, 7u, 9u}) {
            taylor_coefficient(t.v, half_pi.v, k);
            out += (k == 5 ? "" : ", ") + u64(t.v, 67);
        }
        out += "};\nconstexpr u64 kCosTail[3] = {";
        for (unsigned k : {4u, 6u, 8u}) {
            taylor_coefficient(t.v, half_pi.v, k);
            out += (k == 4 ? "" : ", ") + u64(t.v, 65);
        }
        out += "};\n";
    }
    mpfr_free_cache();

    // Written whole or not at all: a temporary file renamed over the output.
    const std::string tmp = std::string(argv[1]) + ".tmp";
    std::FILE* f = std::fopen(tmp.c_str(), "w");
    if (f == nullptr || std::fwrite(out.data(), 1, out.size(), f) != out.size() || std::fclose(f) != 0 ||
        std::rename(tmp.c_str(), argv[1]) != 0) {
        std::fprintf(stderr, "sine_tables: %s cannot be written\n", argv[1]);
        return 1;
    }
    return 0;
}
