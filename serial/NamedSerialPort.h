#pragma once

#include <chrono>
#include <string>

#include "serial/LineSettings.h"
#include "serial/PortNames.h"
#include "serial/SerialPort.h"

namespace rkt5 {

// What every system serial port keeps besides its device: the names of the COM numbers, the
// number the next open uses, and the line settings last written, which stay across close and
// open (9600,n,8,1 before any) and apply at once when written to an open port.
class NamedSerialPort : public SerialPort {
  public:
    // How long the system may take to accept one write of up to 520 bytes: at 9600 bit/s they
    // need 0.55 s on the line, and a port that takes far longer is stuck.
    static constexpr std::chrono::milliseconds kWriteTimeout{3000};

    explicit NamedSerialPort(PortNames names) : names_(std::move(names)) {}

    void setSettings(const LineSettings& settings) final;
    void setCommPort(int number) final { commPort_ = number; }

    LineSettings settings() const { return settings_; }
    int commPort() const { return commPort_; }
    PortNames& names() { return names_; }

  protected:
    // Puts settings() into force on the open port.
    virtual void applySettings() = 0;
    // The device that opening opens; RunTimeError PortOpenFailed for a number below COM1.
    std::string deviceToOpen() const;
    // "COMn (device)", or the device as the user named it.
    std::string displayName() const { return names_.displayName(commPort_); }
    std::string device() const { return names_.deviceFor(commPort_); }
    // RunTimeError PortNotOpen unless the port is open.
    void requireOpen(const char* operation) const;

  private:
    PortNames names_;
    LineSettings settings_;
    int commPort_ = 1;
};

}  // namespace rkt5
