#pragma once

#include <chrono>
#include <string>

#include <QSerialPort>

#include "link/LineSettings.h"
#include "link/PortNames.h"
#include "link/SerialPort.h"

namespace rkt5 {

// The serial port on QSerialPort: binary, every waiting byte per read, no flow control. The line
// settings last written stay with the object across close and open (9600,n,8,1 before any) and
// apply at once when written to an open port.
//
// QSerialPort fills its receive buffer only when the event loop runs; the link's wait runs it, so
// inBufferCount() counts what has arrived by the last pass of the loop.
class QtSerialPort : public SerialPort {
  public:
    // How long the system may take to accept one write of up to 520 bytes: at 9600 bit/s they
    // need 0.55 s on the line, and a port that takes far longer is stuck.
    static constexpr std::chrono::milliseconds kWriteTimeout{3000};

    explicit QtSerialPort(PortNames names = {});
    ~QtSerialPort() override;
    QtSerialPort(const QtSerialPort&) = delete;
    QtSerialPort& operator=(const QtSerialPort&) = delete;

    void setSettings(const LineSettings& settings) override;
    bool portOpen() const override;
    void setCommPort(int number) override;
    void setPortOpen(bool open) override;
    void output(std::span<const std::uint8_t> bytes) override;
    int inBufferCount() override;
    std::vector<std::uint8_t> input() override;

    LineSettings settings() const { return settings_; }
    int commPort() const { return commPort_; }
    PortNames& names() { return names_; }

  private:
    void applySettings();
    void requireOpen(const char* operation) const;
    // Turns a lost line into a RunTimeError and drops errors already handled (QSerialPort keeps
    // TimeoutError set after a wait that was merely short).
    void checkLine();
    std::string device() const;

    PortNames names_;
    LineSettings settings_;
    int commPort_ = 1;
    QSerialPort port_;
};

}  // namespace rkt5
