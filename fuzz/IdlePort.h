#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "serial/SerialPort.h"

namespace rkt5::fuzz {

// A closed port on which nothing ever arrives, for the parts of the link that never touch it.
class IdlePort : public SerialPort {
  public:
    void setSettings(const LineSettings&) override {}
    bool portOpen() const override { return false; }
    void setPort(const PortIdentity&) override {}
    void setPortOpen(bool) override {}
    void output(std::span<const std::uint8_t>) override {}
    int inBufferCount() override { return 0; }
    void waitForInput(std::chrono::milliseconds) override {}
    std::vector<std::uint8_t> input() override { return {}; }
};

}  // namespace rkt5::fuzz
