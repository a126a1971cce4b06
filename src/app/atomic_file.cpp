// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>

namespace zelvar {

std::string io_error_message(int errno_value) {
    switch (errno_value) {
    case ENOENT:
        return "File not found";
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
        return "Invalid filename";
    case EMFILE:
    case ENFILE:
        return "Too many open files";
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case EEXIST:
    case ETXTBSY:
        return "File access denied";
    case ENOSPC:
    case EDQUOT:
        return "Disk full";
    default:
        return "I/O error " + std::to_string(errno_value);
    }
}

namespace {

[[noreturn]] void raise_io_error(int errno_value) { throw FileError(errno_value); }

void write_all_to(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            raise_io_error(errno);
        }
        done += static_cast<std::size_t>(n);
    }
}

// Numbers the temporary files of this process.
std::atomic<unsigned> g_temporary_serial{0};

// The temporary file beside `path`: removed again unless it has been renamed.
class TemporaryFile {
public:
    // Created with mode 0666, so that the umask applies as to any new file.
    explicit TemporaryFile(const std::string& path) {
        const std::size_t slash = path.rfind('/');
        const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
        const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
        for (int attempt = 0;; ++attempt) {
            name_ = folder + "." + base + "." + std::to_string(::getpid()) + "." +
                    std::to_string(g_temporary_serial.fetch_add(1));
            fd_ = ::open(name_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd_ >= 0) return;
            if (errno != EEXIST || attempt == 99) raise_io_error(errno);
        }
    }
    ~TemporaryFile() {
        if (fd_ >= 0) ::close(fd_);
        if (!renamed_) ::unlink(name_.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    void write_all(const std::string& bytes) { write_all_to(fd_, bytes); }
    void set_mode(mode_t mode) {
        if (::fchmod(fd_, mode) != 0) raise_io_error(errno);
    }
    void close() {
        if (::fsync(fd_) != 0 && errno != EINVAL && errno != EROFS) raise_io_error(errno);
        const int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0 && errno != EINTR) raise_io_error(errno);
    }
    void rename_to(const std::string& target) {
        if (::rename(name_.c_str(), target.c_str()) != 0) raise_io_error(errno);
        renamed_ = true;
    }

private:
    std::string name_;
    int fd_ = -1;
    bool renamed_ = false;
};

// The descriptor N where the name is this process's own open file N:
// /proc/self/fd/N, /dev/fd/N, or a link to one of them (/dev/stdout is a
// link to /proc/self/fd/1); -1 otherwise.
int own_descriptor(const std::string& path) {
    std::string names[2] = {path, {}};
    struct stat st;
    if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        char target[PATH_MAX];
        const ssize_t n = ::readlink(path.c_str(), target, sizeof target - 1);
        if (n > 0) names[1].assign(target, static_cast<std::size_t>(n));
    }
    const std::string prefixes[] = {"/proc/self/fd/", "/dev/fd/", "/proc/" + std::to_string(::getpid()) + "/fd/"};
    for (const std::string& name : names)
        for (const std::string& prefix : prefixes) {
            if (name.rfind(prefix, 0) != 0) continue;
            const std::string digits = name.substr(prefix.size());
            if (!digits.empty() && digits.size() <= 9 && digits.find_first_not_of("0123456789") == std::string::npos)
                return std::stoi(digits);
        }
    return -1;
}

// True where the name, followed, is a device, pipe or socket (/dev/null, a
// FIFO), which a rename would destroy: it is written into, not replaced.
bool is_written_into(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode);
}

// Writes into an existing special file.  A pipe without a reader is refused
// at once (ENXIO) rather than waited for.
void write_into(const std::string& path, const std::string& bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) raise_io_error(errno);
    try {
        const int flags = ::fcntl(fd, F_GETFL);
        if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) raise_io_error(errno);
        write_all_to(fd, bytes);
    } catch (...) {
        ::close(fd);
        throw;
    }
    if (::close(fd) != 0 && errno != EINTR) raise_io_error(errno);
}

}  // namespace

void write_file_atomically(const std::string& path, const std::string& bytes) {
    // The process's own descriptor (/dev/stdout) is written as it stands, so
    // that the bytes follow what the process has written to it.
    if (const int fd = own_descriptor(path); fd >= 0) {
        if (::fcntl(fd, F_GETFL) < 0) raise_io_error(errno);
        write_all_to(fd, bytes);
        return;
    }
    if (is_written_into(path)) {
        write_into(path, bytes);
        return;
    }
    bool keep_mode = false;
    struct stat old;
    if (::lstat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
        // A file the user cannot write is refused: by its permission bits
        // (which root ignores), then as the system judges it for this user.
        if ((old.st_mode & 0222) == 0) raise_io_error(EACCES);
        if (::access(path.c_str(), W_OK) != 0) raise_io_error(errno);
        keep_mode = true;
    }
    TemporaryFile file(path);
    file.write_all(bytes);
    if (keep_mode) file.set_mode(old.st_mode & 0777);
    file.close();
    file.rename_to(path);
}

}  // namespace zelvar
