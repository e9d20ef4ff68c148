#pragma once

#include <QSerialPort>

#include "serial/NamedSerialPort.h"

namespace rkt5 {

// The serial port on QSerialPort: binary, every waiting byte per read, no flow control. It is used
// without an event loop: its waits are QSerialPort's own, which block the thread that calls them.
class QtSerialPort : public NamedSerialPort {
  public:
    QtSerialPort();
    ~QtSerialPort() override;
    QtSerialPort(const QtSerialPort&) = delete;
    QtSerialPort& operator=(const QtSerialPort&) = delete;

    bool portOpen() const override;
    void setPortOpen(bool open) override;
    void output(std::span<const std::uint8_t> bytes) override;
    int inBufferCount() override;
    void waitForInput(std::chrono::milliseconds limit) override;
    std::vector<std::uint8_t> input() override;

  private:
    void applySettings() override;
    // Turns a lost line into a RunTimeError and drops errors already handled (QSerialPort keeps
    // TimeoutError set after a wait that was merely short).
    void checkLine();

    QSerialPort port_;
};

}  // namespace rkt5
