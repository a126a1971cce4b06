#include "app/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>

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

// Opens an existing special file for writing into it.  A pipe without a
// reader is refused at once (ENXIO) rather than waited for.
int open_special(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) raise_io_error(errno);
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        const int error = errno;
        ::close(fd);
        raise_io_error(error);
    }
    return fd;
}

}  // namespace

// How a name is written: into this process's descriptor, into a special
// file, or through a temporary file renamed over it.
struct AtomicFileWriter::State {
    std::string path;
    int own_fd = -1;      // this process's descriptor (not closed here)
    int special_fd = -1;  // a device, pipe or socket, opened here
    std::unique_ptr<TemporaryFile> file;
    bool keep_mode = false;
    mode_t mode = 0;
};

AtomicFileWriter::AtomicFileWriter(const std::string& path) : state_(new State) {
    std::unique_ptr<State> state(state_);
    state->path = path;
    // The process's own descriptor (/dev/stdout) is written as it stands, so
    // that the bytes follow what the process has written to it.
    if (const int fd = own_descriptor(path); fd >= 0) {
        if (::fcntl(fd, F_GETFL) < 0) raise_io_error(errno);
        state->own_fd = fd;
    } else if (is_written_into(path)) {
        state->special_fd = open_special(path);
    } else {
        struct stat old;
        const bool exists = ::lstat(path.c_str(), &old) == 0;
        if (exists && S_ISREG(old.st_mode)) {
            // A file the user cannot write is refused: by its permission bits
            // (which root ignores), then as the system judges it for this user.
            if ((old.st_mode & 0222) == 0) raise_io_error(EACCES);
            if (::access(path.c_str(), W_OK) != 0) raise_io_error(errno);
            state->keep_mode = true;
            state->mode = old.st_mode & 0777;
        } else if (exists && S_ISDIR(old.st_mode)) {
            raise_io_error(EISDIR);  // a rename could not replace it
        }
        state->file = std::make_unique<TemporaryFile>(path);
    }
    state.release();
}

AtomicFileWriter::~AtomicFileWriter() {
    if (state_->special_fd >= 0) ::close(state_->special_fd);
    delete state_;
}

void AtomicFileWriter::write(const std::string& bytes) {
    if (state_->own_fd >= 0)
        write_all_to(state_->own_fd, bytes);
    else if (state_->special_fd >= 0)
        write_all_to(state_->special_fd, bytes);
    else if (state_->file)
        state_->file->write_all(bytes);
}

void AtomicFileWriter::commit() {
    if (state_->special_fd >= 0) {
        const int fd = state_->special_fd;
        state_->special_fd = -1;
        if (::close(fd) != 0 && errno != EINTR) raise_io_error(errno);
    } else if (state_->file) {
        if (state_->keep_mode) state_->file->set_mode(state_->mode);
        state_->file->close();
        state_->file->rename_to(state_->path);
        state_->file.reset();
    }
}

void write_file_atomically(const std::string& path, const std::string& bytes) {
    AtomicFileWriter writer(path);
    writer.write(bytes);
    writer.commit();
}

std::string cannot_write_message(const std::string& kind, const std::string& path, int errno_value) {
    return kind + " file " + path + " cannot be written: " + std::strerror(errno_value);
}

void write_named_file(const std::string& kind, const std::string& path, const std::string& bytes) {
    try {
        write_file_atomically(path, bytes);
    } catch (const FileError& e) {
        throw Error(cannot_write_message(kind, path, e.errno_value));
    }
}

void check_writable(const std::string& kind, const std::string& path) {
    try {
        if (own_descriptor(path) >= 0) return;  // checked when it is written
        if (is_written_into(path)) {
            // A device or pipe: open and close it (a pipe without a reader
            // is refused at once).
            const int fd = open_special(path);
            ::close(fd);
            return;
        }
        const AtomicFileWriter probe(path);  // its temporary file goes again
    } catch (const FileError& e) {
        throw Error(cannot_write_message(kind, path, e.errno_value));
    }
}

}  // namespace zelvar
