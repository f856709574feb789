#include "file_io.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <system_error>

namespace platform {

std::string errorReason(int error) { return std::generic_category().message(error); }

namespace {

std::string reason(int error) { return errorReason(error); }

ReadResult failed(ReadResult::Status status, int error = 0, std::string kind = {}) {
    ReadResult r;
    r.status = status;
    r.error = error;
    r.kind = std::move(kind);
    return r;
}

std::string directoryOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// Six letters or digits, as mkstemp would choose; the file is still created
// with open(O_EXCL) so that it gets the umask's permissions, not 0600.
std::string randomSuffix() {
    static constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::uint64_t bits = 0;
    if (::getrandom(&bits, sizeof bits, 0) != static_cast<ssize_t>(sizeof bits)) {
        static std::atomic<std::uint64_t> counter{0};
        bits = (static_cast<std::uint64_t>(::getpid()) << 40) ^ (++counter << 20) ^
               static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    }
    std::string suffix;
    for (int i = 0; i < 6; ++i, bits /= sizeof kLetters - 1) suffix += kLetters[bits % (sizeof kLetters - 1)];
    return suffix;
}

bool writeAll(int fd, std::string_view bytes, int& error) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            error = errno;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

}  // namespace

std::string fileKind(unsigned mode) {
    if (S_ISDIR(mode)) return "a directory";
    if (S_ISCHR(mode)) return "a character device";
    if (S_ISBLK(mode)) return "a block device";
    if (S_ISFIFO(mode)) return "a FIFO";
    if (S_ISSOCK(mode)) return "a socket";
    if (S_ISLNK(mode)) return "a symbolic link";
    return "not a plain file";
}

std::string ReadResult::problem(std::size_t limit) const {
    switch (status) {
    case Status::Ok: return {};
    case Status::EmptyPath: return "the path is empty";
    case Status::CannotOpen: return "cannot open the file (" + reason(error) + ")";
    case Status::NotRegular: return "not a regular file (" + kind + ")";
    case Status::TooLarge: return "file too large (more than " + std::to_string(limit) + " bytes)";
    case Status::ReadFailed: return "cannot read the file (" + reason(error) + ")";
    }
    return {};
}

ReadResult readRegularFile(const std::string& path, std::size_t limit, std::string& bytes) {
    using Status = ReadResult::Status;
    bytes.clear();
    if (path.empty()) return failed(Status::EmptyPath);
    // Refused before it is opened: opening a device can have effects of its own.
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
        return failed(Status::NotRegular, 0, fileKind(st.st_mode));
    // O_NONBLOCK: a FIFO put there after the check must not hold the open.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return failed(Status::CannotOpen, errno);
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    if (::fstat(fd, &st) != 0) return failed(Status::ReadFailed, errno);
    if (!S_ISREG(st.st_mode)) return failed(Status::NotRegular, 0, fileKind(st.st_mode));
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);

    // The size on disk is only a hint: a file can grow while it is read, so
    // the limit is counted on the bytes read (one more than the limit means
    // too large).
    const std::size_t hint = st.st_size > 0 ? static_cast<std::size_t>(st.st_size) : 0;
    bytes.reserve((hint < limit ? hint : limit) + 1);
    constexpr std::size_t kChunk = 64 * 1024;
    for (;;) {
        const std::size_t had = bytes.size();
        const std::size_t room = limit + 1 - had;
        // Up to the size on disk and one byte more (which finds the end or
        // a file that grew), so that a small file is neither zero-filled
        // nor moved to a larger buffer; past it, whole chunks.
        const std::size_t chunk = hint > 0 && had <= hint ? hint + 1 - had : kChunk;
        const std::size_t want = room < chunk ? room : chunk;
        bytes.resize(had + want);
        const ssize_t n = ::read(fd, bytes.data() + had, want);
        if (n < 0) {
            bytes.resize(had);
            if (errno == EINTR) continue;
            const int error = errno;
            bytes.clear();
            return failed(Status::ReadFailed, error);
        }
        bytes.resize(had + static_cast<std::size_t>(n));
        if (n == 0) break;
        if (bytes.size() > limit) {
            bytes.clear();
            bytes.shrink_to_fit();
            return failed(Status::TooLarge);
        }
    }
    return {};
}

FileReplacement::~FileReplacement() {
    abandon();
}

bool FileReplacement::begin(const std::string& path, std::string& error) {
    abandon();
    path_ = path;
    if (path.empty()) {
        error = "the output path is empty";
        return false;
    }
    // Follow symbolic links to the file that is really written.
    std::string target = path;
    struct stat st {};
    bool exists = false;
    for (int hops = 0;; ++hops) {
        if (hops > 40) {
            error = path + ": too many levels of symbolic links";
            return false;
        }
        if (::lstat(target.c_str(), &st) != 0) {
            if (errno != ENOENT) {
                error = path + ": cannot write the file (" + reason(errno) + ")";
                return false;
            }
            break;  // a new file (perhaps the end of a dangling link)
        }
        if (!S_ISLNK(st.st_mode)) {
            exists = true;
            break;
        }
        std::string link(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 255) + 1, '\0');
        const ssize_t n = ::readlink(target.c_str(), link.data(), link.size());
        if (n < 0 || static_cast<std::size_t>(n) >= link.size()) {
            error = path + ": cannot follow the symbolic link " + target;
            return false;
        }
        link.resize(static_cast<std::size_t>(n));
        target = link.front() == '/' ? link : directoryOf(target) + "/" + link;
    }
    if (exists && !S_ISREG(st.st_mode)) {
        const std::string kind = fileKind(st.st_mode);
        error = target == path ? path + ": not a regular file (" + kind + ")"
                               : path + ": leads to " + target + ", which is not a regular file (" + kind + ")";
        return false;
    }
    target_ = target;
    keepMode_ = exists;
    mode_ = exists ? (st.st_mode & 07777) : 0666;

    // The temporary name has a bounded length of its own: one derived from the
    // target's name would pass the 255-byte name limit of a long valid target.
    const std::string folder = directoryOf(target) + "/" + kTemporaryPrefix;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = folder + randomSuffix();
        fd_ = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd_ >= 0) {
            temp_ = name;
            break;
        }
        if (errno != EEXIST) {
            error = path + ": cannot create the file (" + reason(errno) + ")";
            return false;
        }
    }
    if (fd_ < 0) {
        error = path + ": cannot create a temporary file beside it";
        return false;
    }
    if (keepMode_) {
        ::fchmod(fd_, mode_);
        // Only root can give the file back to its owner; others keep their own.
        if ((st.st_uid != ::geteuid() || st.st_gid != ::getegid()) && ::fchown(fd_, st.st_uid, st.st_gid) != 0) {
        }
    }
    return true;
}

bool FileReplacement::write(std::string_view bytes, std::string& error) {
    int err = 0;
    if (fd_ < 0 || !writeAll(fd_, bytes, err)) {
        error = path_ + ": cannot write the file (" + reason(err ? err : EBADF) + ")";
        return false;
    }
    return true;
}

bool FileReplacement::commit(std::string& error) {
    if (fd_ < 0) {
        error = path_ + ": cannot write the file";
        return false;
    }
    if (::fsync(fd_) != 0 || ::close(fd_) != 0) {
        error = path_ + ": cannot write the file (" + reason(errno) + ")";
        fd_ = -1;
        abandon();
        return false;
    }
    fd_ = -1;
    // The target may have been swapped for something else meanwhile.
    struct stat st {};
    if (::lstat(target_.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        error = path_ + ": not a regular file (" + fileKind(st.st_mode) + ")";
        abandon();
        return false;
    }
    if (::rename(temp_.c_str(), target_.c_str()) != 0) {
        error = path_ + ": cannot replace the file (" + reason(errno) + ")";
        abandon();
        return false;
    }
    temp_.clear();
    // The new directory entry is durable too.
    const int dir = ::open(directoryOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

void FileReplacement::abandon() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!temp_.empty()) ::unlink(temp_.c_str());
    temp_.clear();
}

bool replaceFile(const std::string& path, std::string_view bytes, std::string& error) {
    FileReplacement out;
    return out.begin(path, error) && out.write(bytes, error) && out.commit(error);
}

}  // namespace platform
