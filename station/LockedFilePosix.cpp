#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

#include "station/LockedFile.h"

namespace rkt5 {

namespace {

constexpr std::chrono::milliseconds kLockRetry{10};

std::string errorText(int error) {
    switch (error) {
        case EISDIR:
            return "it is a folder";
        case ENOENT:
        case ENOTDIR:
            return "its folder does not exist";
        case EACCES:
        case EPERM:
            return "permission denied";
        case EROFS:
            return "the disk is read-only";
        default:
            return std::strerror(error);
    }
}

bool neverWritable(int error) {
    return error == EISDIR || error == ENOENT || error == ENOTDIR || error == EACCES ||
           error == EPERM || error == EROFS;
}

}  // namespace

std::variant<LockedFile, LockedFile::Refusal> LockedFile::open(const std::string& path,
                                                               std::chrono::milliseconds patience) {
    const auto deadline = std::chrono::steady_clock::now() + patience;
    for (;;) {
        const int fd = ::open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
        if (fd < 0) {
            const int error = errno;
            return Refusal{neverWritable(error), errorText(error)};
        }
        int locked = 0;
        while ((locked = flock(fd, LOCK_EX | LOCK_NB)) != 0 && errno == EWOULDBLOCK &&
               std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(kLockRetry);
        }
        if (locked != 0) {
            const int error = errno;
            ::close(fd);
            return Refusal{false, error == EWOULDBLOCK ? "it is locked by another program"
                                                       : std::strerror(error)};
        }
        // The holder before may have removed the file it held: a lock on a file that is no
        // longer there keeps nothing.
        struct stat held {
        }, named{};
        if (fstat(fd, &held) == 0 && stat(path.c_str(), &named) == 0 &&
            held.st_ino == named.st_ino && held.st_dev == named.st_dev) {
            return LockedFile(fd);
        }
        ::close(fd);
        if (std::chrono::steady_clock::now() >= deadline) {
            return Refusal{false, "it was replaced while it was being opened"};
        }
    }
}

LockedFile::LockedFile(LockedFile&& other) noexcept : handle_(other.handle_) {
    other.handle_ = -1;
}

LockedFile::~LockedFile() {
    if (handle_ >= 0) {
        ::close(static_cast<int>(handle_));  // closing the last descriptor ends the lock
    }
}

std::uint64_t LockedFile::size() const {
    struct stat status {};
    return fstat(static_cast<int>(handle_), &status) == 0
               ? static_cast<std::uint64_t>(status.st_size)
               : 0;
}

std::optional<std::string> LockedFile::read(std::uint64_t offset, std::size_t most) const {
    std::string text(most, '\0');
    std::size_t got = 0;
    while (got < most) {
        const ssize_t n = pread(static_cast<int>(handle_), text.data() + got, most - got,
                                static_cast<off_t>(offset + got));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return std::nullopt;
        }
        if (n == 0) {
            break;
        }
        got += static_cast<std::size_t>(n);
    }
    text.resize(got);
    return text;
}

std::optional<std::string> LockedFile::append(std::string_view text) {
    const int fd = static_cast<int>(handle_);
    const off_t before = static_cast<off_t>(size());
    const auto takenBack = [fd, before](int error) {
        static_cast<void>(ftruncate(fd, before));
        return std::string(std::strerror(error));
    };
    while (!text.empty()) {
        const ssize_t n = ::write(fd, text.data(), text.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return takenBack(errno);
        }
        text.remove_prefix(static_cast<std::size_t>(n));
    }
    if (fsync(fd) != 0) {
        return takenBack(errno);
    }
    return std::nullopt;
}

std::optional<std::string> LockedFile::empty() {
    const int fd = static_cast<int>(handle_);
    if (ftruncate(fd, 0) != 0 || fsync(fd) != 0) {
        return std::strerror(errno);
    }
    return std::nullopt;
}

}  // namespace rkt5
