#include "link/Win32SerialPort.h"

#include <QTimer>
#include <QWinEventNotifier>
#include <algorithm>
#include <climits>

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

// Errors by which a pending read tells that the device went away.
bool lineWentAway(DWORD error) {
    return error == ERROR_ACCESS_DENIED || error == ERROR_BAD_COMMAND ||
           error == ERROR_DEVICE_NOT_CONNECTED || error == ERROR_GEN_FAILURE ||
           error == ERROR_INVALID_HANDLE || error == ERROR_FILE_NOT_FOUND;
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

Win32SerialPort::CharacterWait::CharacterWait() {
    overlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

Win32SerialPort::CharacterWait::~CharacterWait() {
    CloseHandle(overlapped.hEvent);
}

Win32SerialPort::Win32SerialPort(PortNames names)
    : NamedSerialPort(std::move(names)), wait_(std::make_unique<CharacterWait>()) {
    readOp_.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

Win32SerialPort::~Win32SerialPort() {
    close();
    CloseHandle(readOp_.hEvent);
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
    handle_ = CreateFileW(win32DevicePath(deviceToOpen()).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                          nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (handle_ == INVALID_HANDLE_VALUE) {
        throw RunTimeError(ErrorNumber::PortOpenFailed, "cannot open " + displayName() + ": " +
                                                            win32OpenFailureReason(GetLastError()));
    }
    lineLost_.reset();
    received_.clear();
    try {
        // A port opens with an empty receive buffer: what came in while it was closed (a late
        // answer to the last exchange) must not pass for the next exchange's echo.
        PurgeComm(handle_, PURGE_RXABORT | PURGE_RXCLEAR | PURGE_TXABORT | PURGE_TXCLEAR);
        SetupComm(handle_, 4096, 4096);
        // A read returns at once with what is there; the wait for a character does the waiting.
        COMMTIMEOUTS timeouts{MAXDWORD, 0, 0, 0, 0};
        SetCommTimeouts(handle_, &timeouts);
        SetCommMask(handle_, EV_RXCHAR);
        applySettings();
        arrivalNotifier_ = std::make_unique<QWinEventNotifier>(wait_->overlapped.hEvent);
        QObject::connect(arrivalNotifier_.get(), &QWinEventNotifier::activated,
                         [this] { characterArrived(); });
        missedWakeCheck_ = std::make_unique<QTimer>();
        missedWakeCheck_->setInterval(kMissedWakeCheck);
        QObject::connect(missedWakeCheck_.get(), &QTimer::timeout,
                         [this] { checkForMissedWake(); });
        missedWakeCheck_->start();
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
    arrivalNotifier_.reset();
    missedWakeCheck_.reset();
    cancelWait();
    CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
    received_.clear();
}

void Win32SerialPort::applySettings() {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    bool applied = GetCommState(handle_, &dcb);
    if (applied) {
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
        applied = SetCommState(handle_, &dcb);
    }
    if (!applied) {
        throw RunTimeError(ErrorNumber::PortOpenFailed, "cannot set " + displayName() + " to " +
                                                            settings().text() + ": " +
                                                            win32ErrorText(GetLastError()));
    }
}

void Win32SerialPort::drain() {
    for (;;) {
        ResetEvent(readOp_.hEvent);
        DWORD count = 0;
        bool done = ReadFile(handle_, readBuffer_.data(), static_cast<DWORD>(readBuffer_.size()),
                             &count, &readOp_);
        if (!done && GetLastError() == ERROR_IO_PENDING) {
            done = GetOverlappedResult(handle_, &readOp_, &count, TRUE);
        }
        if (!done) {
            lineLost_ = win32ErrorText(GetLastError());
            return;
        }
        received_.insert(received_.end(), readBuffer_.begin(), readBuffer_.begin() + count);
        if (count < readBuffer_.size()) {
            return;
        }
    }
}

void Win32SerialPort::armWait() {
    while (!waitPending_ && portOpen() && !lineLost_) {
        ResetEvent(wait_->overlapped.hEvent);
        if (WaitCommEvent(handle_, &wait_->events, &wait_->overlapped)) {
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
    // (Signalling the wait's event by hand instead loses a wake-up: the wait may complete between
    // the look at its result and the event's reset.)
    if (waitPending_ && charactersWaiting()) {
        drain();
    }
}

bool Win32SerialPort::charactersWaiting() const {
    DWORD errors = 0;
    COMSTAT status{};
    return ClearCommError(handle_, &errors, &status) && status.cbInQue > 0;
}

void Win32SerialPort::characterArrived() {
    if (!portOpen()) {
        return;
    }
    DWORD count = 0;
    if (waitPending_) {
        if (GetOverlappedResult(handle_, &wait_->overlapped, &count, FALSE)) {
            waitPending_ = false;
        } else if (const DWORD error = GetLastError(); error == ERROR_IO_INCOMPLETE) {
            return;  // the wake-up of a wait that checkForMissedWake has since replaced
        } else {
            waitPending_ = false;
            if (error != ERROR_OPERATION_ABORTED) {
                lineLost_ = win32ErrorText(error);
                return;
            }
        }
    }
    drain();
    armWait();
}

void Win32SerialPort::cancelWait() {
    if (!waitPending_) {
        return;
    }
    waitPending_ = false;
    // An empty event mask ends the wait on drivers that do not cancel it.
    SetCommMask(handle_, 0);
    CancelIoEx(handle_, &wait_->overlapped);
    if (WaitForSingleObject(wait_->overlapped.hEvent, static_cast<DWORD>(kCancelLimit.count())) ==
        WAIT_OBJECT_0) {
        DWORD count = 0;
        GetOverlappedResult(handle_, &wait_->overlapped, &count, FALSE);
    } else {
        // The driver still holds the wait and may yet write to it: it keeps the OVERLAPPED and
        // its event, and the port waits with new ones from now on. Closing the handle ends the
        // wait on every driver that honours a close.
        static_cast<void>(wait_.release());
        wait_ = std::make_unique<CharacterWait>();
        if (arrivalNotifier_) {
            arrivalNotifier_->setEnabled(false);
            arrivalNotifier_->setHandle(wait_->overlapped.hEvent);
            arrivalNotifier_->setEnabled(true);
        }
    }
    SetCommMask(handle_, EV_RXCHAR);
}

void Win32SerialPort::checkForMissedWake() {
    if (portOpen() && charactersWaiting()) {
        cancelWait();
        drain();
        armWait();
    }
}

void Win32SerialPort::output(std::span<const std::uint8_t> bytes) {
    requireOpen("write to");
    checkLine();
    if (bytes.empty()) {
        return;
    }
    OVERLAPPED write{};
    write.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    DWORD written = 0;
    bool done =
        WriteFile(handle_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, &write);
    DWORD error = done ? ERROR_SUCCESS : GetLastError();
    if (!done && error == ERROR_IO_PENDING) {
        // Wait until the bytes have left, so the reply time-out that the caller arms next starts
        // when they are on the line.
        if (WaitForSingleObject(write.hEvent, static_cast<DWORD>(kWriteTimeout.count())) !=
            WAIT_OBJECT_0) {
            CancelIoEx(handle_, &write);
        }
        done = GetOverlappedResult(handle_, &write, &written, TRUE);
        error = done ? ERROR_SUCCESS : GetLastError();
    }
    CloseHandle(write.hEvent);
    if (!done || written != bytes.size()) {
        if (lineWentAway(error)) {
            lineLost_ = win32ErrorText(error);
            checkLine();
        }
        throw RunTimeError(ErrorNumber::PortWriteFailed,
                           "cannot write to " + displayName() + ": " +
                               (done ? "the bytes did not leave" : win32ErrorText(error)));
    }
}

int Win32SerialPort::inBufferCount() {
    requireOpen("count the bytes of");
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
