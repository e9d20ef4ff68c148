#pragma once

#include <chrono>
#include <cstdint>
#include <fstream>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "link/Reply.h"
#include "serial/LineSettings.h"
#include "serial/PortIdentity.h"

namespace rkt5 {

// What one exchange brought back, for the words of a failure and for the log.
struct ExchangeRecord {
    int awaited = 0;          // bytes the exchange waited for: its echo and the answer
    int received = 0;         // bytes of its own that came in before it stopped waiting
    std::size_t dropped = 0;  // bytes that came in before its echo: leftovers of earlier tries
    bool echoBroken = false;
    std::string lineErrors;  // what the device reported meanwhile, "framing 2, overrun 1"
};

// Every exchange on the link, written down for a user to send with a report: each line is the
// time since the log began, what happened, and its bytes in hex. It begins with the program's
// version, Qt's and the system's, and notes each opening of the port with its name and line
// settings; the first opening of each port also with what the system knows of its cable. Lines are
// written out as they happen, so a log survives the program.
//
// Every link has one; until open() succeeds it writes nothing and costs nothing.
class ExchangeLog {
  public:
    // What the system knows of the cable behind a device: lines of text, or none.
    using CableOf = std::function<std::string(const std::string& device)>;

    // Starts a log at `path`, replacing what is there; false when the file cannot be written.
    bool open(const std::string& path, std::string_view program, CableOf cableOf = {});
    bool isOpen() const { return out_.is_open(); }

    void portOpened(const PortIdentity& port, const LineSettings& settings);
    void portClosed();
    // An exchange writes its first bytes, as send `sendNumber` of them (1, or more for a resend).
    void exchangeBegan(std::span<const std::uint8_t> bytes, int sendNumber);
    // The same exchange writes more (the second half of a flash packet).
    void sentMore(std::span<const std::uint8_t> bytes);
    void received(std::span<const std::uint8_t> bytes);
    void exchangeEnded(const ExchangeRecord& exchange);
    void reply(Reply reply);
    // A line of its own about the run, such as where its record row went.
    void note(std::string_view text);

  private:
    void sent(std::span<const std::uint8_t> bytes);
    void line(std::string_view what, std::span<const std::uint8_t> bytes = {});

    std::ofstream out_;
    CableOf cableOf_;
    std::vector<std::string> described_;  // the devices whose cable the log has told of
    std::chrono::steady_clock::time_point start_;
    int sendNumber_ = 0;  // of the exchange being written
};

}  // namespace rkt5
