#pragma once

#include <chrono>
#include <string>

#include "serial/LineSettings.h"
#include "serial/SerialPort.h"

namespace rkt5 {

// What every system serial port keeps besides its device: the port the next open opens, and the
// line settings last written, which stay across close and open (9600,n,8,1 before any) and apply
// at once when written to an open port.
class NamedSerialPort : public SerialPort {
  public:
    // How long the system may take to accept one write of up to 520 bytes: at 9600 bit/s they
    // need 0.55 s on the line, and a port that takes far longer is stuck.
    static constexpr std::chrono::milliseconds kWriteTimeout{3000};

    void setSettings(const LineSettings& settings) final;
    void setPort(const PortIdentity& port) final { port_ = port; }

    LineSettings settings() const { return settings_; }
    const PortIdentity& port() const { return port_; }

  protected:
    // Puts settings() into force on the open port.
    virtual void applySettings() = 0;
    // The device that opening opens; RunTimeError PortOpenFailed for a port that stands for none.
    std::string deviceToOpen() const;
    // "COMn (device)", or the device as the user named it.
    const std::string& displayName() const { return port_.displayName; }
    const std::string& device() const { return port_.device; }
    // RunTimeError PortNotOpen unless the port is open.
    void requireOpen(const char* operation) const;

  private:
    PortIdentity port_;
    LineSettings settings_;
};

}  // namespace rkt5
