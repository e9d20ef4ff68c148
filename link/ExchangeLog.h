#pragma once

#include <chrono>
#include <cstdint>
#include <fstream>
#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace rkt5 {

// Every exchange on the link, written down for a user to send with a report: each line is the
// time since the log began, what happened, and its bytes in hex. It begins with the program's
// version, Qt's and the system's, and notes each opening of the port with its device and line
// settings. Lines are written out as they happen, so a log survives the program.
class ExchangeLog {
  public:
    // The device a COM number stands for, for the notes of each opening.
    using DeviceOf = std::function<std::string(int comNumber)>;

    // Starts a log at `path`, replacing what is there; false when the file cannot be written.
    bool open(const std::string& path, std::string_view program, DeviceOf deviceOf);

    void portOpened(int comNumber, std::string_view settings);
    void portClosed();
    void sent(std::span<const std::uint8_t> bytes, int sendNumber);
    void received(std::span<const std::uint8_t> bytes);
    void exchangeEnded(int awaited, int received, std::size_t dropped, bool echoBroken);
    void reply(int status);

  private:
    void line(std::string_view what, std::span<const std::uint8_t> bytes = {});

    std::ofstream out_;
    DeviceOf deviceOf_;
    std::chrono::steady_clock::time_point start_;
};

}  // namespace rkt5
