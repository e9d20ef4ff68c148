#pragma once

#include <string>
#include <utility>
#include <vector>

#include "serial/SerialPort.h"

namespace rkt5::test {

// Passes every call to the real port and keeps a log of what the link asked of it.
class RecordingPort : public SerialPort {
  public:
    explicit RecordingPort(SerialPort& port) : port_(port) {}

    void setSettings(const LineSettings& settings) override {
        settingsWritten.push_back(settings.text());
        port_.setSettings(settings);
    }
    bool portOpen() const override { return port_.portOpen(); }
    void setPort(const PortIdentity& port) override { port_.setPort(port); }
    void setPortOpen(bool open) override {
        (open ? opens : closes) += 1;
        port_.setPortOpen(open);
    }
    void output(std::span<const std::uint8_t> bytes) override {
        writes.emplace_back(bytes.begin(), bytes.end());
        port_.output(bytes);
    }
    int inBufferCount() override {
        counts.push_back(port_.inBufferCount());
        return counts.back();
    }
    void waitForInput(std::chrono::milliseconds limit) override { port_.waitForInput(limit); }
    std::vector<std::uint8_t> input() override { return port_.input(); }
    // What the test says the device reported, taken once.
    std::string takeLineErrors() override { return std::exchange(lineErrors, {}); }

    std::vector<std::string> settingsWritten;
    std::vector<std::vector<std::uint8_t>> writes;
    std::vector<int> counts;  // every reading of inBufferCount, in order
    std::string lineErrors;
    int opens = 0;
    int closes = 0;

  private:
    SerialPort& port_;
};

}  // namespace rkt5::test
