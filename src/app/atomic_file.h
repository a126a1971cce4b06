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

// The same, for a file written piece by piece (rows as a long analysis
// finishes them): the constructor makes the temporary file at once, so a
// name that cannot be written is known before the work starts; commit()
// puts the file in place.  A writer that goes without commit() (a failure,
// an exception) leaves the previous file whole and removes the temporary
// one.  A special file (a device, a pipe, this process's descriptor) is
// written into as the pieces come.  Failures throw FileError.
class AtomicFileWriter {
public:
    explicit AtomicFileWriter(const std::string& path);
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    void write(const std::string& bytes);
    void commit();

private:
    struct State;
    State* state_;
};

// The one message of a file that cannot be written: "<Kind> file <path>
// cannot be written: <the system's reason>", e.g. "Picture file p.png
// cannot be written: No space left on device".
std::string cannot_write_message(const std::string& kind, const std::string& path, int errno_value);

// write_file_atomically() with a failure raised as zelvar::Error with
// cannot_write_message().
void write_named_file(const std::string& kind, const std::string& path, const std::string& bytes);

// Raises zelvar::Error with cannot_write_message() when `path` cannot be
// written (a missing or unwritable folder, a folder of that name, a file
// without write permission), without changing anything: for a command that
// checks its outputs before a long run.
void check_writable(const std::string& kind, const std::string& path);

}  // namespace zelvar
