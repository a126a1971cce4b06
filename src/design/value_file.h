// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The value file "zelvar.val": eight CRLF lines "C1 ", "L1 ", "C2 ", "L2 ",
// "C3 ", "L3 ", "k12 ", "fin " each followed by E(x; 23).
//
// The file is written atomically (app/atomic_file.h): a failure leaves the
// previous file whole.
#include <string>

#include "app/atomic_file.h"
#include "design/design_state.h"

namespace zelvar {

inline constexpr const char* kValueFileName = "zelvar.val";

// The file's bytes for the final values of a design.
std::string value_file_text(const DesignResults& r);
std::string value_file_text(const DesignState& s);

// Writes text as the value file `path` ("zelvar.val" in the current
// directory by default); raises FileError with io_error_message() of the
// failing call's errno.
void write_value_file(const std::string& text, const std::string& path = kValueFileName);

// The value file of a design's final values, as "zelvar.val" in the current
// directory.
void save_value_file(const DesignState& s);

}  // namespace zelvar
