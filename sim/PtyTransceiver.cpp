#include "sim/PtyTransceiver.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <stdexcept>
#include <system_error>
#include <thread>

#include "sim/FlashFile.h"
#include "sim/LinePacer.h"
#include "sim/MessageLogLine.h"
#include "sim/ProtocolEngine.h"
#include "sim/PseudoTerminal.h"

namespace rkt5::sim {

namespace {

using Clock = std::chrono::steady_clock;

// Speed assumed when neither the options nor the port tell one.
constexpr int kFallbackSpeed = 57600;
constexpr std::size_t kReadChunk = 4096;

timespec toTimespec(Clock::duration d) {
    if (d < Clock::duration::zero()) {
        d = Clock::duration::zero();
    }
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(d).count();
    return timespec{static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)};
}

}  // namespace

struct PtyTransceiver::Impl {
    explicit Impl(SimulatorOptions opts)
        : options(std::move(opts)), engine(options), pty(std::make_unique<PseudoTerminal>()) {
        path = pty->path();
        if (!options.messageLogPath.empty()) {
            messageLog.open(options.messageLogPath, std::ios::trunc);
            if (!messageLog) {
                throw std::runtime_error("cannot write the message log " + options.messageLogPath);
            }
        }
        wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        if (wakeFd < 0) {
            throw std::system_error(errno, std::generic_category(), "eventfd");
        }
        updateLink();
        pacer.setAdapterLatency(options.adapterLatency);
        thread = std::thread([this] { serve(); });
    }

    ~Impl() {
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto written = ::write(wakeFd, &one, sizeof one);
        thread.join();
        ::close(wakeFd);
        removeLink();
    }

    void serve();
    // One read of what the client wrote, or with `all` everything there is.
    void readInput(std::vector<std::uint8_t>& buffer, bool all);
    void handleInput(std::span<const std::uint8_t> bytes, Clock::time_point now);
    void writeDue(Clock::time_point now);
    void hangUp();
    // The last client closed the port: the next one finds nothing left of it on the line.
    void startQuiet();
    void saveFlash();
    // Appends the messages logged since the last call to the message log file. Called with the
    // mutex held.
    void writeMessageLog();
    void updateLink();
    void removeLink();

    const SimulatorOptions options;
    mutable std::mutex mutex;                // guards engine and path
    mutable std::condition_variable logged;  // a message was added to the engine's log
    ProtocolEngine engine;
    std::string path;
    std::ofstream messageLog;         // guarded by mutex, as engine
    std::size_t messagesWritten = 0;  // of the engine's log, to messageLog
    std::atomic<std::size_t> received{0};
    std::atomic<std::size_t> sent{0};
    std::atomic<std::int64_t> lineNanoseconds{0};

    // Owned by the server thread.
    std::unique_ptr<PseudoTerminal> pty;
    LinePacer pacer;
    bool writeBlocked = false;
    int wakeFd = -1;
    std::thread thread;
};

void PtyTransceiver::Impl::serve() {
    std::vector<std::uint8_t> buffer(kReadChunk);
    for (;;) {
        writeDue(Clock::now());
        const Clock::time_point now = Clock::now();
        const auto wake = writeBlocked ? std::nullopt : pacer.nextWake(now);
        timespec timeout{};
        if (wake) {
            timeout = toTimespec(*wake - now);
        }
        pollfd fds[3] = {
            {pty->master(), static_cast<short>(POLLIN | (writeBlocked ? POLLOUT : 0)), 0},
            {wakeFd, POLLIN, 0},
            {pty->clientWatch(), POLLIN, 0},
        };
        if (ppoll(fds, 3, wake ? &timeout : nullptr, nullptr) < 0 && errno != EINTR) {
            std::perror("rkt5-sim: poll");
            return;
        }
        if (fds[1].revents != 0) {
            return;
        }
        // A client that closed the port may have written just before: those bytes are its own
        // and are read first. When another client opened the port meanwhile, the line is the
        // new one's: its bytes follow its opening, and an updater only closes after its answer.
        const bool left = pty->clientLeft();
        const bool lastBytes = left && !pty->clientPresent();
        if (left && !lastBytes) {
            startQuiet();
        }
        if (fds[0].revents & POLLOUT) {
            writeBlocked = false;
        }
        if ((fds[0].revents & POLLIN) || lastBytes) {
            readInput(buffer, lastBytes);
        }
        if (lastBytes) {
            startQuiet();
        }
    }
}

void PtyTransceiver::Impl::readInput(std::vector<std::uint8_t>& buffer, bool all) {
    for (;;) {
        const ssize_t count = ::read(pty->master(), buffer.data(), buffer.size());
        if (count <= 0) {
            return;
        }
        received += static_cast<std::size_t>(count);
        handleInput(std::span(buffer.data(), static_cast<std::size_t>(count)), Clock::now());
        if (!all) {
            return;
        }
    }
}

void PtyTransceiver::Impl::startQuiet() {
    pacer.clear();
    writeBlocked = false;
    {
        std::lock_guard lock(mutex);
        engine.clientClosed();
    }
    pty->discardUnread();
}

void PtyTransceiver::Impl::handleInput(std::span<const std::uint8_t> bytes, Clock::time_point now) {
    const int speed = pty->clientSpeed();
    EngineOutput out;
    {
        std::lock_guard lock(mutex);
        out = engine.receive(bytes, now, speed);
        writeMessageLog();
    }
    logged.notify_all();
    if (out.hangUp) {
        hangUp();
        return;
    }
    const auto byteTime =
        options.pace
            ? LinePacer::byteTime(options.baud.value_or(speed > 0 ? speed : kFallbackSpeed))
            : Clock::duration::zero();
    for (const OutputPiece& piece : out.pieces) {
        pacer.enqueue(piece.bytes, byteTime, piece.gapBefore, now);
        lineNanoseconds +=
            std::chrono::duration_cast<std::chrono::nanoseconds>(byteTime * piece.bytes.size())
                .count();
    }
    if (out.flashModeLeft && !options.flashOutPath.empty()) {
        saveFlash();
    }
}

void PtyTransceiver::Impl::writeDue(Clock::time_point now) {
    pacer.release(now);
    if (writeBlocked) {
        return;
    }
    const std::vector<std::uint8_t> bytes = pacer.due(now);
    if (bytes.empty()) {
        return;
    }
    const ssize_t count = ::write(pty->master(), bytes.data(), bytes.size());
    if (count > 0) {
        sent += static_cast<std::size_t>(count);
        pacer.remove(static_cast<std::size_t>(count));
    }
    // A full pseudo-terminal buffer (nobody reading): wait until it drains.
    writeBlocked = count < static_cast<ssize_t>(bytes.size());
}

void PtyTransceiver::Impl::hangUp() {
    pacer.clear();
    writeBlocked = false;
    {
        std::lock_guard lock(mutex);
        engine.lineLost();
    }
    // The new pair exists before the old one closes, so it gets another number; link and path
    // point to it before the client can see the old line go down.
    auto fresh = std::make_unique<PseudoTerminal>();
    std::swap(pty, fresh);
    updateLink();
    {
        std::lock_guard lock(mutex);
        path = pty->path();
    }
    fresh.reset();  // closes the old master: the client sees the line go down
}

void PtyTransceiver::Impl::saveFlash() {
    std::vector<std::uint8_t> contents;
    {
        std::lock_guard lock(mutex);
        contents = engine.flash().contents();
    }
    try {
        writeFlashFile(options.flashOutPath, contents);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "rkt5-sim: %s\n", e.what());
    }
}

void PtyTransceiver::Impl::writeMessageLog() {
    if (!messageLog.is_open()) {
        return;
    }
    const std::vector<ReceivedMessage>& log = engine.log();
    for (; messagesWritten < log.size(); ++messagesWritten) {
        messageLog << messageLogLine(log[messagesWritten]);
    }
    messageLog.flush();
}

void PtyTransceiver::Impl::updateLink() {
    if (options.linkPath.empty()) {
        return;
    }
    // A new link beside the old one, renamed over it: the link never dangles or goes missing.
    namespace fs = std::filesystem;
    const fs::path link(options.linkPath);
    const fs::path temporary = fs::path(options.linkPath + ".new");
    std::error_code error;
    fs::remove(temporary, error);
    fs::create_symlink(pty->path(), temporary, error);
    if (!error) {
        fs::rename(temporary, link, error);
    }
    if (error) {
        std::fprintf(stderr, "rkt5-sim: cannot link %s: %s\n", options.linkPath.c_str(),
                     error.message().c_str());
    }
}

void PtyTransceiver::Impl::removeLink() {
    if (options.linkPath.empty()) {
        return;
    }
    std::error_code error;
    if (std::filesystem::read_symlink(options.linkPath, error) == pty->path()) {
        std::filesystem::remove(options.linkPath, error);
    }
}

PtyTransceiver::PtyTransceiver(SimulatorOptions options)
    : impl_(std::make_unique<Impl>(std::move(options))) {}

PtyTransceiver::~PtyTransceiver() = default;

std::string PtyTransceiver::portPath() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->path;
}

std::vector<std::uint8_t> PtyTransceiver::flashMemory() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->engine.flash().contents();
}

bool PtyTransceiver::waitForMessages(std::size_t count, std::chrono::milliseconds limit) const {
    std::unique_lock lock(impl_->mutex);
    return impl_->logged.wait_for(lock, limit, [&] { return impl_->engine.log().size() >= count; });
}

std::vector<ReceivedMessage> PtyTransceiver::receivedMessages() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->engine.log();
}

std::size_t PtyTransceiver::bytesReceived() const {
    return impl_->received;
}

std::size_t PtyTransceiver::bytesSent() const {
    return impl_->sent;
}

std::chrono::nanoseconds PtyTransceiver::lineTime() const {
    return std::chrono::nanoseconds(impl_->lineNanoseconds.load());
}

void PtyTransceiver::clearLog() {
    std::lock_guard lock(impl_->mutex);
    impl_->engine.clearLog();
    impl_->messagesWritten = 0;
    impl_->received = 0;
    impl_->sent = 0;
    impl_->lineNanoseconds = 0;
}

}  // namespace rkt5::sim
