// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Writing a file so that readers see either the old file or the new one,
// never a part: every file the program writes goes through here.
#include <string>

#include "app/faults.h"

namespace zelvar {

// The error box text for a failed file operation: 2 "File not found",
// 3 "Invalid filename", 4 "Too many open files", 5 "File access denied",
// 101 "Disk full", any other "I/O error <errno>".
std::string io_error_message(int errno_value);

// A file that could not be written: the message is io_error_message() of
// the failing call's errno, which is kept for callers that word it otherwise.
class FileError : public Error {
public:
    explicit FileError(int errno_value) : Error(io_error_message(errno_value)), errno_value(errno_value) {}
    int errno_value;
};

// Writes `bytes` as the file `path`: into a temporary file in the same
// folder, synced to the disk, then renamed over `path`, so a failure leaves
// the previous file whole (and removes the temporary one).  A new file
// follows the umask; an existing regular file keeps its mode, and one without
// any write permission bit, or one this user may not write, is refused with
// "File access denied"; a symbolic link of that name is replaced, not
// followed.  A name that stands for something other than a file in a folder
// is written into instead, never replaced: a device, pipe or socket
// (/dev/null, /dev/full, a FIFO), or an open file of this process
// (/dev/stdout, /dev/fd/1, /proc/self/fd/1: the bytes follow what the process
// has written to it, through the same descriptor).  Failures throw FileError.  Safe to call from several threads
// (each write has its own temporary name).
void write_file_atomically(const std::string& path, const std::string& bytes);

}  // namespace zelvar
