#pragma once

#include <array>
#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <windows.h>

#include "serial/NamedSerialPort.h"
#include "serial/Win32Calls.h"

namespace rkt5 {

// The serial port on Win32: "\\.\COMn" for every n (plain "COM10" and up do not open), the line
// settings through the DCB, no flow control. Reads take exactly what the driver says it holds and
// never wait. The one wait is waitForInput: an overlapped wait for a received character, waited
// for with the time left (at most kQueueLook), after a look at the queue for what came before it
// was set, and with one more look at its end.
class Win32SerialPort : public NamedSerialPort {
  public:
    // How long waitForInput pauses on a driver that cannot keep a wait for a character pending,
    // before it looks at the queue again.
    static constexpr std::chrono::milliseconds kPollPause{10};
    // The longest one wait for a character lasts before the queue is looked at regardless.
    static constexpr std::chrono::milliseconds kQueueLook{50};
    // How long the port waits for the driver to end an operation it was told to cancel. Some
    // never do (wine's emulation of a real UART, for one); nothing may hang on them.
    static constexpr std::chrono::milliseconds kCancelLimit{1000};
    // How long a read that should have finished at once may take before it counts as stuck.
    static constexpr std::chrono::milliseconds kReadLimit{1000};
    // How many waits for a character in a row may end at once before the port stops starting
    // new ones and looks at the queue after a pause instead.
    static constexpr int kArmRounds = 16;

    explicit Win32SerialPort(Win32Calls& calls = Win32Calls::system());
    ~Win32SerialPort() override;
    Win32SerialPort(const Win32SerialPort&) = delete;
    Win32SerialPort& operator=(const Win32SerialPort&) = delete;

    bool portOpen() const override;
    void setPortOpen(bool open) override;
    void output(std::span<const std::uint8_t> bytes) override;
    int inBufferCount() override;
    void waitForInput(std::chrono::milliseconds limit) override;
    std::vector<std::uint8_t> input() override;
    std::string takeLineErrors() override;

  private:
    // An overlapped operation with what the driver writes to or reads from until it ends.
    struct OverlappedIo {
        explicit OverlappedIo(std::size_t bufferSize = 0);
        ~OverlappedIo();
        OVERLAPPED overlapped{};
        std::vector<std::uint8_t> buffer;
        DWORD events = 0;  // what a WaitCommEvent reports
    };

    void open();
    void close();
    // Waits at most `limit` for `io` to end: ERROR_SUCCESS or the operation's error, with the
    // bytes it moved. One still pending then is cancelled, waited for at most kCancelLimit more,
    // and ends as ERROR_TIMEOUT; one the driver holds on to even then is left to it with its
    // memory (a new `io` takes its place) and ends as WAIT_TIMEOUT.
    DWORD finishIo(std::unique_ptr<OverlappedIo>& io, std::chrono::milliseconds limit,
                   DWORD& moved);
    void applySettings() override;
    // Takes everything the port has received now.
    void drain();
    // Keeps one wait for the next received character pending.
    void armWait();
    // How many characters the receive queue holds that no read has taken yet; none, with the
    // line marked lost, when the port no longer answers.
    DWORD queuedCharacters();
    // A setup call's result: its failure fails the open, named with the call.
    void setUp(const char* call, BOOL succeeded) const;
    // Takes the end of the wait for a character: a driver's error marks the line lost.
    void waitEnded();
    void cancelWait();
    // A lost line (a USB adapter pulled) becomes a RunTimeError at the next use of the port.
    void checkLine();

    Win32Calls& calls_;
    HANDLE handle_ = INVALID_HANDLE_VALUE;
    // The wait for a character, and the reads that take what has arrived (each should finish at
    // once). The driver owns each while it is pending; one it will not give back is left to it.
    std::unique_ptr<OverlappedIo> wait_;
    std::unique_ptr<OverlappedIo> read_;
    bool waitPending_ = false;
    std::vector<std::uint8_t> received_;
    std::optional<std::string> lineLost_;
    // The line errors ClearCommError reported since they were last taken, by CE_ flag.
    std::map<DWORD, int> lineErrors_;
};

// "\\.\COMn": the form that opens every COM port, for "COMn" or a device already in that form.
std::wstring win32DevicePath(const std::string& device);

// Why opening a COM port failed with `error`, in the words the Linux port uses.
std::string win32OpenFailureReason(DWORD error);

// The system's text for `error`.
std::string win32ErrorText(DWORD error);

}  // namespace rkt5
