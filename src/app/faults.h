#pragma once
// Errors and arithmetic faults.
//
// Every failure that abandons an operation and is shown in the error box is
// an `Error` carrying the box's message.  The arithmetic conventions of the
// whole program live here:
//  - reals are 80-bit long doubles, rounded to nearest;
//  - a floating-point invalid operation, division by zero or overflow is a
//    fault; underflow and inexact results are silent;
//  - 32-bit integer arithmetic is checked;
//  - a real rounded to an integer outside the 32-bit range is a fault.
//
// Floating-point faults are detected through the status flags: an operation
// starts with fp_clear(), and fp_check() is called before every visible effect
// (report line, field write, file write, stored sample), so an operation is
// abandoned at the point of the fault with its earlier effects kept.
// report_line() calls fp_check() itself.
//
// Beware: the ordered comparisons <, <=, >, >= raise the invalid flag on a NaN
// operand; ==, !=, std::isless, std::isgreater and std::isnan do not.
#include <cfenv>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>

namespace zelvar {

// Every report is computed in the 80-bit x87 format: a 64-bit significand.
static_assert(std::numeric_limits<long double>::digits == 64,
              "long double must be the 80-bit x87 format (64-bit significand)");

// An error shown in the error box; what() is the message without the
// error box's full stop.
class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message) : std::runtime_error(message) {}
};

// A setting outside the range the operation accepts (a tolerance of 100 %,
// |k12| >= 1 where a circuit is needed, a frequency range that is not
// positive): shown like any error in the windows; the command line reports
// it as a usage error.
class SettingError : public Error {
public:
    using Error::Error;
};

inline constexpr const char* kIntegerOverflow = "Integer overflow";
inline constexpr const char* kRangeCheck = "Range check error";
inline constexpr const char* kDivisionByZero = "Floating point division by zero";
inline constexpr const char* kInvalidOperation = "Invalid floating point operation";
inline constexpr const char* kOverflow = "Floating point overflow";

// The floating-point environment of an engine, for as long as the object
// lives: round to nearest, 64-bit precision of the x87 unit, every exception
// masked (faults are seen through the flags), the flags cleared.  The
// caller's environment (rounding, precision, masks and flags) comes back
// when the object goes, also when an exception leaves the engine.  Each
// entry point into an engine (a simulation run, a design, the ideal
// magnifier) makes one, so that a worker thread computes the same bits as
// the window, whatever environment it was given.
class FpEnvironment {
public:
    FpEnvironment();
    ~FpEnvironment();
    FpEnvironment(const FpEnvironment&) = delete;
    FpEnvironment& operator=(const FpEnvironment&) = delete;

private:
    std::fenv_t saved_;
};

// Forget every pending floating-point fault.
void fp_clear();

// Raise the pending floating-point fault, if any.  When several are pending,
// division by zero and overflow come before invalid operation: an infinity
// that later turns into a NaN reports where it came from.
void fp_check();

// Checked 32-bit arithmetic: "Integer overflow" on overflow.
std::int32_t iadd(std::int32_t a, std::int32_t b);
std::int32_t isub(std::int32_t a, std::int32_t b);
std::int32_t imul(std::int32_t a, std::int32_t b);

// Round to the nearest integer, ties to even.  NaN, infinities and values
// beyond 64 bits raise "Invalid floating point operation"; values outside the
// 32-bit range raise "Range check error".
std::int32_t round_int(long double x);

// Round to the nearest integer, ties to even, without any check (the caller
// knows that x is in range).
long double round_even(long double x);

// The error box's text: a full stop is appended when the message is not
// empty and its last character sorts after the full stop.
std::string error_box_text(const std::string& message);

}  // namespace zelvar
