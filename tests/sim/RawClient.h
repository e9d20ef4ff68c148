#pragma once

// A plain POSIX serial client on the simulator's port, independent of the updater's code.

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace rkt5::sim::test {

class RawClient {
  public:
    explicit RawClient(const std::string& path, speed_t speed = B57600) {
        fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd_ >= 0) {
            termios t{};
            tcgetattr(fd_, &t);
            cfmakeraw(&t);
            cfsetispeed(&t, speed);
            cfsetospeed(&t, speed);
            tcsetattr(fd_, TCSANOW, &t);
        }
    }
    ~RawClient() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    RawClient(const RawClient&) = delete;
    RawClient& operator=(const RawClient&) = delete;

    bool isOpen() const { return fd_ >= 0; }

    bool write(const std::vector<std::uint8_t>& bytes) {
        return ::write(fd_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    }
    bool write(std::string_view text) {
        return write(std::vector<std::uint8_t>(text.begin(), text.end()));
    }

    // Reads until `count` bytes arrived, the line went down, or `timeout` passed.
    std::vector<std::uint8_t> read(std::size_t count,
                                   std::chrono::milliseconds timeout = std::chrono::seconds(3)) {
        std::vector<std::uint8_t> got;
        const auto end = std::chrono::steady_clock::now() + timeout;
        lineLost_ = false;
        while (got.size() < count) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                end - std::chrono::steady_clock::now());
            if (left.count() <= 0) {
                break;
            }
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) {
                continue;
            }
            std::uint8_t buffer[4096];
            const ssize_t n = ::read(fd_, buffer, sizeof buffer);
            if (n > 0) {
                got.insert(got.end(), buffer, buffer + n);
            } else if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) {
                lineLost_ = true;
                break;
            }
        }
        return got;
    }

    bool lineLost() const { return lineLost_; }

  private:
    int fd_ = -1;
    bool lineLost_ = false;
};

}  // namespace rkt5::sim::test
