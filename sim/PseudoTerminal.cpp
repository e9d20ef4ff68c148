#include "sim/PseudoTerminal.h"

#include <fcntl.h>
#include <sys/inotify.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <system_error>
#include <utility>

namespace rkt5::sim {

namespace {

[[noreturn]] void fail(const char* what) {
    throw std::system_error(errno, std::generic_category(), what);
}

constexpr std::array<std::pair<speed_t, int>, 12> kSpeeds{{
    {B1200, 1200},
    {B2400, 2400},
    {B4800, 4800},
    {B9600, 9600},
    {B19200, 19200},
    {B38400, 38400},
    {B57600, 57600},
    {B115200, 115200},
    {B230400, 230400},
    {B460800, 460800},
    {B500000, 500000},
    {B921600, 921600},
}};

}  // namespace

PseudoTerminal::PseudoTerminal() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0) {
        fail("posix_openpt");
    }
    try {
        if (grantpt(master_) != 0 || unlockpt(master_) != 0) {
            fail("unlockpt");
        }
        std::array<char, 128> name{};
        if (ptsname_r(master_, name.data(), name.size()) != 0) {
            fail("ptsname_r");
        }
        path_ = name.data();
        slave_ = ::open(path_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (slave_ < 0) {
            fail("open pseudo-terminal slave");
        }
        termios settings{};
        if (tcgetattr(slave_, &settings) != 0) {
            fail("tcgetattr");
        }
        cfmakeraw(&settings);
        if (tcsetattr(slave_, TCSANOW, &settings) != 0) {
            fail("tcsetattr");
        }
        const int flags = fcntl(master_, F_GETFL);
        if (flags < 0 || fcntl(master_, F_SETFL, flags | O_NONBLOCK) != 0) {
            fail("fcntl O_NONBLOCK");
        }
        // After the simulator's own slave is open, so that only clients count.
        watch_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (watch_ >= 0 && inotify_add_watch(watch_, path_.c_str(), IN_OPEN | IN_CLOSE) < 0) {
            ::close(watch_);
            watch_ = -1;
        }
    } catch (...) {
        if (slave_ >= 0) {
            ::close(slave_);
        }
        ::close(master_);
        throw;
    }
}

PseudoTerminal::~PseudoTerminal() {
    // Master first: that is what the client sees as the line going down.
    ::close(master_);
    ::close(slave_);
    if (watch_ >= 0) {
        ::close(watch_);
    }
}

bool PseudoTerminal::clientLeft() {
    if (watch_ < 0) {
        return false;
    }
    bool left = false;
    alignas(inotify_event) std::array<char, 1024> events{};
    for (;;) {
        const ssize_t count = ::read(watch_, events.data(), events.size());
        if (count <= 0) {
            return left;
        }
        for (ssize_t at = 0; at < count;) {
            inotify_event event{};
            std::memcpy(&event, events.data() + at, sizeof event);
            at += static_cast<ssize_t>(sizeof event + event.len);
            if (event.mask & IN_OPEN) {
                ++openClients_;
            } else if ((event.mask & IN_CLOSE) && openClients_ > 0) {
                left = left || openClients_ == 1;
                --openClients_;
            }
        }
    }
}

void PseudoTerminal::discardUnread() {
    tcflush(slave_, TCIFLUSH);
}

int PseudoTerminal::clientSpeed() const {
    termios settings{};
    if (tcgetattr(slave_, &settings) != 0) {
        return 0;
    }
    const speed_t speed = cfgetospeed(&settings);
    for (const auto& [code, bitsPerSecond] : kSpeeds) {
        if (code == speed) {
            return bitsPerSecond;
        }
    }
    return 0;
}

}  // namespace rkt5::sim
