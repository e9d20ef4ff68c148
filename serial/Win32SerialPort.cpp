#include "serial/Win32SerialPort.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <utility>

#include "common/RunTimeError.h"

namespace rkt5 {

namespace {

BYTE parityOf(Parity parity) {
    switch (parity) {
        case Parity::Even:
            return EVENPARITY;
        case Parity::Odd:
            return ODDPARITY;
        case Parity::Mark:
            return MARKPARITY;
        case Parity::Space:
            return SPACEPARITY;
        case Parity::None:
            break;
    }
    return NOPARITY;
}

// Errors by which a driver tells that the device went away; an operation it aborts that the port
// did not cancel is one of them.
bool lineWentAway(DWORD error) {
    return error == ERROR_ACCESS_DENIED || error == ERROR_BAD_COMMAND ||
           error == ERROR_DEVICE_NOT_CONNECTED || error == ERROR_GEN_FAILURE ||
           error == ERROR_INVALID_HANDLE || error == ERROR_FILE_NOT_FOUND ||
           error == ERROR_DEVICE_REMOVED || error == ERROR_OPERATION_ABORTED;
}

}  // namespace

std::wstring win32DevicePath(const std::string& device) {
    const std::wstring wide(device.begin(), device.end());
    const std::wstring prefix = L"\\\\.\\";
    // A device typed in that form already ("--port COM1=\\.\COM23") is taken as it is.
    return wide.starts_with(prefix) ? wide : prefix + wide;
}

std::string win32ErrorText(DWORD error) {
    char* text = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string message = length > 0 ? std::string(text, length) : std::string();
    LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                                message.back() == '.' || message.back() == ' ')) {
        message.pop_back();
    }
    return message.empty() ? "system error " + std::to_string(error) : message;
}

std::string win32OpenFailureReason(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            return "there is no such device";
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
            return "it is in use by another program";
        default:
            return win32ErrorText(error);
    }
}

Win32SerialPort::OverlappedIo::OverlappedIo(std::size_t bufferSize) : buffer(bufferSize) {
    overlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

Win32SerialPort::OverlappedIo::~OverlappedIo() {
    CloseHandle(overlapped.hEvent);
}

namespace {

constexpr std::size_t kReadSize = 4096;

// The line errors ClearCommError reports, by the names the log gives them.
constexpr std::pair<DWORD, const char*> kLineErrors[] = {{CE_FRAME, "framing"},
                                                         {CE_OVERRUN, "overrun"},
                                                         {CE_RXOVER, "receive buffer full"},
                                                         {CE_RXPARITY, "parity"},
                                                         {CE_BREAK, "break"}};

DWORD milliseconds(std::chrono::milliseconds time) {
    return static_cast<DWORD>(time.count());
}

// The words for an operation's error: for one that did not end within `limit` (the ends that
// finishIo gives), what the call was.
std::string ioErrorText(const char* call, std::chrono::milliseconds limit, DWORD error) {
    if (error != ERROR_TIMEOUT && error != WAIT_TIMEOUT) {
        return win32ErrorText(error);
    }
    return std::string(call) + " did not end within " + std::to_string(limit.count()) + " ms" +
           (error == WAIT_TIMEOUT ? ", and the driver kept it when it was cancelled" : "");
}

}  // namespace

Win32SerialPort::Win32SerialPort(Win32Calls& calls)
    : calls_(calls),
      wait_(std::make_unique<OverlappedIo>()),
      read_(std::make_unique<OverlappedIo>(kReadSize)) {}

DWORD Win32SerialPort::finishIo(std::unique_ptr<OverlappedIo>& io, std::chrono::milliseconds limit,
                                DWORD& moved) {
    moved = 0;
    if (WaitForSingleObject(io->overlapped.hEvent, milliseconds(limit)) == WAIT_OBJECT_0) {
        return calls_.getOverlappedResult(handle_, &io->overlapped, &moved) ? ERROR_SUCCESS
                                                                            : GetLastError();
    }
    calls_.cancelIoEx(handle_, &io->overlapped);
    if (WaitForSingleObject(io->overlapped.hEvent, milliseconds(kCancelLimit)) == WAIT_OBJECT_0) {
        calls_.getOverlappedResult(handle_, &io->overlapped, &moved);
        return ERROR_TIMEOUT;
    }
    // The driver may still write to the operation's memory: it keeps it.
    const std::size_t size = io->buffer.size();
    static_cast<void>(io.release());
    io = std::make_unique<OverlappedIo>(size);
    return WAIT_TIMEOUT;
}

Win32SerialPort::~Win32SerialPort() {
    close();
}

bool Win32SerialPort::portOpen() const {
    return handle_ != INVALID_HANDLE_VALUE;
}

void Win32SerialPort::setPortOpen(bool open) {
    if (!open) {
        close();
    } else if (!portOpen()) {
        this->open();
    }
}

void Win32SerialPort::open() {
    handle_ = calls_.createFile(win32DevicePath(deviceToOpen()).c_str());
    if (handle_ == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        throw RunTimeError(ErrorNumber::PortOpenFailed,
                           "cannot open " + displayName() + ": " + win32OpenFailureReason(error));
    }
    lineLost_.reset();
    received_.clear();
    try {
        // A port opens with an empty receive buffer: what came in while it was closed (a late
        // answer to the last exchange) must not pass for the next exchange's echo.
        setUp("PurgeComm", calls_.purgeComm(handle_, PURGE_RXABORT | PURGE_RXCLEAR | PURGE_TXABORT |
                                                         PURGE_TXCLEAR));
        setUp("SetupComm", calls_.setupComm(handle_, 4096, 4096));
        // A read returns at once with what is there; the wait for a character does the waiting. A
        // write the driver cannot finish ends by itself after its bytes' time on the line and
        // kWriteTimeout more.
        COMMTIMEOUTS timeouts{MAXDWORD, 0, 0, 2, static_cast<DWORD>(kWriteTimeout.count())};
        setUp("SetCommTimeouts", calls_.setCommTimeouts(handle_, &timeouts));
        setUp("SetCommMask", calls_.setCommMask(handle_, EV_RXCHAR));
        applySettings();
        // A driver that refuses the wait for a character is known at once, not at the first
        // reply.
        armWait();
    } catch (...) {
        close();
        throw;
    }
}

void Win32SerialPort::close() {
    if (!portOpen()) {
        return;
    }
    cancelWait();
    calls_.closeHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
    received_.clear();
}

void Win32SerialPort::setUp(const char* call, BOOL succeeded) const {
    if (!succeeded) {
        const DWORD error = GetLastError();
        throw RunTimeError(ErrorNumber::PortOpenFailed, "cannot set up " + displayName() + ": " +
                                                            call + ": " + win32ErrorText(error));
    }
}

void Win32SerialPort::applySettings() {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    bool applied = calls_.getCommState(handle_, &dcb);
    if (applied) {
        const DCB before = dcb;
        dcb.BaudRate = static_cast<DWORD>(settings().baud);
        dcb.ByteSize = static_cast<BYTE>(settings().dataBits);
        dcb.Parity = parityOf(settings().parity);
        dcb.fParity = settings().parity != Parity::None;
        dcb.StopBits = settings().stopBits == 2 ? TWOSTOPBITS : ONESTOPBIT;
        dcb.fBinary = TRUE;
        dcb.fOutxCtsFlow = FALSE;
        dcb.fOutxDsrFlow = FALSE;
        dcb.fDsrSensitivity = FALSE;
        dcb.fOutX = FALSE;
        dcb.fInX = FALSE;
        dcb.fNull = FALSE;
        dcb.fAbortOnError = FALSE;
        dcb.fDtrControl = DTR_CONTROL_ENABLE;
        dcb.fRtsControl = RTS_CONTROL_ENABLE;
        // No character replaces a byte received with a parity error, and the flow control
        // characters are the usual two: some drivers hand back both as 0 and then refuse the
        // DCB they gave.
        dcb.fErrorChar = FALSE;
        dcb.XonChar = 0x11;
        dcb.XoffChar = 0x13;
        // Each change costs a USB adapter several control transfers; a port that has the
        // settings already is left alone.
        if (std::memcmp(&dcb, &before, sizeof dcb) != 0) {
            applied = calls_.setCommState(handle_, &dcb);
        }
    }
    if (!applied) {
        const DWORD error = GetLastError();
        throw RunTimeError(ErrorNumber::PortOpenFailed, "cannot set " + displayName() + " to " +
                                                            settings().text() + ": " +
                                                            win32ErrorText(error));
    }
}

void Win32SerialPort::drain() {
    if (lineLost_) {
        return;  // what a lost line still holds is not read
    }
    // Only what the driver says it holds is read. A read with nothing to return should end at
    // once by the time-outs, but some drivers (wine's, for one) keep it pending until characters
    // come, and on a silent line none do.
    for (DWORD queued = 0; (queued = queuedCharacters()) > 0;) {
        ResetEvent(read_->overlapped.hEvent);
        DWORD count = 0;
        DWORD error = calls_.readFile(handle_, read_->buffer.data(),
                                      std::min(queued, static_cast<DWORD>(kReadSize)), &count,
                                      &read_->overlapped)
                          ? ERROR_SUCCESS
                          : GetLastError();
        if (error == ERROR_IO_PENDING) {
            // The characters are there: a read that does not end is let finish for a moment,
            // not waited on for ever.
            error = finishIo(read_, kReadLimit, count);
        }
        if (error != ERROR_SUCCESS) {
            lineLost_ = ioErrorText("ReadFile", kReadLimit, error);
            return;
        }
        received_.insert(received_.end(), read_->buffer.begin(), read_->buffer.begin() + count);
        // What was counted is in (or the driver gave less: the next wake or look tries again);
        // what comes after wakes the port.
        if (count < kReadSize) {
            return;
        }
    }
}

void Win32SerialPort::armWait() {
    // A driver whose wait ends at once every time would keep this loop going for ever; after a
    // few rounds the port stops asking and looks at the queue now and then instead (waitForInput).
    for (int round = 0; round < kArmRounds && !waitPending_ && !lineLost_; ++round) {
        ResetEvent(wait_->overlapped.hEvent);
        if (calls_.waitCommEvent(handle_, &wait_->events, &wait_->overlapped)) {
            drain();  // a character had come already
            continue;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_IO_PENDING) {
            lineLost_ = win32ErrorText(error);
            return;
        }
        waitPending_ = true;
    }
    // Characters that came between the last read and the wait do not wake it: read them now.
    if (waitPending_) {
        drain();
    }
}

DWORD Win32SerialPort::queuedCharacters() {
    DWORD errors = 0;
    COMSTAT status{};
    if (!calls_.clearCommError(handle_, &errors, &status)) {
        // A port that cannot say what it holds is gone (a USB adapter pulled).
        lineLost_ = "ClearCommError: " + win32ErrorText(GetLastError());
        return 0;
    }
    for (const auto& [error, name] : kLineErrors) {
        if ((errors & error) != 0) {
            ++lineErrors_[error];
        }
    }
    return status.cbInQue;
}

std::string Win32SerialPort::takeLineErrors() {
    std::string text;
    for (const auto& [error, name] : kLineErrors) {
        if (const auto counted = lineErrors_.find(error); counted != lineErrors_.end()) {
            text += (text.empty() ? "" : ", ") + std::string(name) + " " +
                    std::to_string(counted->second);
        }
    }
    lineErrors_.clear();
    return text;
}

void Win32SerialPort::waitForInput(std::chrono::milliseconds limit) {
    requireOpen("wait for the bytes of");
    if (!received_.empty() || lineLost_) {
        return;
    }
    // A wait that has ended tells first: a driver ends it with an error when its device is gone.
    if (waitPending_ && WaitForSingleObject(wait_->overlapped.hEvent, 0) == WAIT_OBJECT_0) {
        waitEnded();
    }
    drain();
    if (received_.empty() && !lineLost_) {
        armWait();
    }
    if (!received_.empty() || lineLost_) {
        return;
    }
    if (!waitPending_) {
        // A driver that cannot keep a wait pending is looked at after a pause instead.
        Sleep(milliseconds(std::min(limit, kPollPause)));
        drain();
        return;
    }
    // Wine's wait misses characters now and then, and then never ends: the wait is bounded by
    // kQueueLook too, after which the queue is looked at (the caller waits again if need be).
    if (WaitForSingleObject(wait_->overlapped.hEvent, milliseconds(std::min(limit, kQueueLook))) ==
        WAIT_OBJECT_0) {
        waitEnded();
    }
    // Also when the wait ran out: a character the driver's wait missed is read now, late but not
    // lost.
    drain();
}

void Win32SerialPort::waitEnded() {
    DWORD count = 0;
    if (calls_.getOverlappedResult(handle_, &wait_->overlapped, &count)) {
        waitPending_ = false;
        return;
    }
    const DWORD error = GetLastError();
    if (error == ERROR_IO_INCOMPLETE) {
        // Woken with the wait still pending (wine does so now and then): it goes on, and its
        // event is cleared so that the next wait sleeps. A wait that ended meanwhile is taken.
        ResetEvent(wait_->overlapped.hEvent);
        waitPending_ = !calls_.getOverlappedResult(handle_, &wait_->overlapped, &count);
        return;
    }
    waitPending_ = false;
    // A driver aborts the wait when its device is gone, and wine's now and then with the line
    // still there: whether the port still answers tells which.
    if (error != ERROR_OPERATION_ABORTED) {
        lineLost_ = win32ErrorText(error);
    }
}

void Win32SerialPort::cancelWait() {
    if (!waitPending_) {
        return;
    }
    waitPending_ = false;
    // An empty event mask ends the wait on drivers that do not cancel it.
    calls_.setCommMask(handle_, 0);
    DWORD count = 0;
    finishIo(wait_, std::chrono::milliseconds(0), count);
    calls_.setCommMask(handle_, EV_RXCHAR);
}

void Win32SerialPort::output(std::span<const std::uint8_t> bytes) {
    requireOpen("write to");
    checkLine();
    if (bytes.empty()) {
        return;
    }
    auto write = std::make_unique<OverlappedIo>();
    write->buffer.assign(bytes.begin(), bytes.end());
    DWORD written = 0;
    DWORD error = calls_.writeFile(handle_, write->buffer.data(), static_cast<DWORD>(bytes.size()),
                                   &written, &write->overlapped)
                      ? ERROR_SUCCESS
                      : GetLastError();
    if (error == ERROR_IO_PENDING) {
        // Wait until the bytes have left, so the reply time-out that the caller arms next starts
        // when they are on the line.
        error = finishIo(write, kWriteTimeout, written);
    }
    if (error == ERROR_SUCCESS && written == bytes.size()) {
        return;
    }
    if (lineWentAway(error)) {
        lineLost_ = win32ErrorText(error);
        checkLine();
    }
    throw RunTimeError(
        ErrorNumber::PortWriteFailed,
        "cannot write to " + displayName() + ": " +
            (error == ERROR_SUCCESS ? "the bytes did not leave"
                                    : ioErrorText("WriteFile", kWriteTimeout, error)));
}

int Win32SerialPort::inBufferCount() {
    requireOpen("count the bytes of");
    drain();
    checkLine();
    return static_cast<int>(std::min<std::size_t>(received_.size(), INT_MAX));
}

std::vector<std::uint8_t> Win32SerialPort::input() {
    requireOpen("read from");
    return std::exchange(received_, {});
}

void Win32SerialPort::checkLine() {
    if (lineLost_ && received_.empty()) {
        const std::string reason = *lineLost_;
        lineLost_.reset();
        throw RunTimeError(ErrorNumber::LineLost,
                           "the line on " + displayName() + " was lost: " + reason);
    }
}

}  // namespace rkt5
