#pragma once

#include <chrono>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "serial/LineSettings.h"
#include "serial/PortIdentity.h"

namespace rkt5 {

// The serial port as the protocol code sees it: nine operations and nothing more. The link
// receives one; nothing else reaches the port. Failures raise RunTimeError.
class SerialPort {
  public:
    virtual ~SerialPort() = default;

    // Written while closed or open, they apply from then on.
    virtual void setSettings(const LineSettings& settings) = 0;
    virtual bool portOpen() const = 0;
    // The port that the next open opens.
    virtual void setPort(const PortIdentity& port) = 0;
    // true opens (RunTimeError PortOpenFailed with the reason), false closes.
    virtual void setPortOpen(bool open) = 0;
    // Writes every byte as given; one write of up to 520 bytes is accepted whole.
    virtual void output(std::span<const std::uint8_t> bytes) = 0;
    // Received bytes waiting to be read: everything that has arrived by now.
    virtual int inBufferCount() = 0;
    // Blocks the calling thread until received bytes wait to be read or `limit` has passed;
    // returns at once when some wait already. It costs no CPU while it waits. A lost line ends
    // it, and the next inBufferCount() says so.
    virtual void waitForInput(std::chrono::milliseconds limit) = 0;
    // Every waiting byte in order of arrival, removed from the receive buffer.
    virtual std::vector<std::uint8_t> input() = 0;
    // The line errors (framing, overrun, parity) the device reported since the last call, in
    // words for the log; empty for none, and on ports that do not report them.
    virtual std::string takeLineErrors() { return {}; }
};

}  // namespace rkt5
