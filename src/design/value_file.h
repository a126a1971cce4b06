#pragma once
// The value file "zelvar.val": eight CRLF lines "C1 ", "L1 ", "C2 ", "L2 ",
// "C3 ", "L3 ", "k12 ", "fin " each followed by E(x; 23).
//
// The file is written beside the old one under a temporary name and renamed
// over "zelvar.val" only when complete, so a failure leaves the previous file
// whole.  An existing "zelvar.val" without any write permission bit is
// refused with "File access denied"; a symbolic link of that name is
// replaced, not followed.
#include <string>

#include "design/design_state.h"

namespace zelvar {

inline constexpr const char* kValueFileName = "zelvar.val";

// The file's bytes for the final values of a design.
std::string value_file_text(const DesignState& s);

// Writes text as "zelvar.val" in the current directory; raises Error with
// io_error_message() of the failing call's errno.
void write_value_file(const std::string& text);

// Writes text as the file `path` the same way: a temporary file beside it,
// synced, then renamed over it; a failure leaves the previous file whole.
void write_file_atomically(const std::string& path, const std::string& text);

// The error box text for a failed file operation: 2 "File not found",
// 3 "Invalid filename", 4 "Too many open files", 5 "File access denied",
// 101 "Disk full", any other "I/O error <errno>".
std::string io_error_message(int errno_value);

}  // namespace zelvar
