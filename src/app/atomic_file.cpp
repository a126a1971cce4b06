#include "app/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
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

    void write_all(const std::string& bytes) {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
            if (n < 0) {
                if (errno == EINTR) continue;
                raise_io_error(errno);
            }
            done += static_cast<std::size_t>(n);
        }
    }
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

}  // namespace

void write_file_atomically(const std::string& path, const std::string& bytes) {
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
