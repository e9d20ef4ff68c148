#pragma once

// The simulated RK-T5 behind a pseudo-terminal, served from its own thread. Tests create one
// in-process; the rkt5-sim program wraps it for the terminal, the demo and the benchmarks.
//
// Output leaves like bytes from one UART: every byte is echoed as it arrives, and an answer the
// transceiver is slow to give (a late fault, the programming time) goes out when it is ready,
// between the echo bytes of whatever the client sends meanwhile. What goes out while no client
// has the port open stays in the pseudo-terminal and reaches the next one to open it.

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "sim/SimulatorTypes.h"

namespace rkt5::sim {

class PtyTransceiver {
  public:
    explicit PtyTransceiver(SimulatorOptions options = {});
    ~PtyTransceiver();  // stops the thread and closes the pseudo-terminal
    PtyTransceiver(const PtyTransceiver&) = delete;
    PtyTransceiver& operator=(const PtyTransceiver&) = delete;

    // Path of the port to open (the slave side). A hang-up fault opens a new pseudo-terminal, so
    // the path can change; the link path (if any) follows it.
    std::string portPath() const;

    // Snapshots, safe to take from any thread.
    std::vector<std::uint8_t> flashMemory() const;  // 262,144 bytes, 0xC0000 first
    std::vector<ReceivedMessage> receivedMessages() const;
    // The simulator logs a message when its last byte arrives, which can be after the client has
    // stopped waiting for an answer (a silent line): tests wait here for what they count.
    // True when `count` messages are in the log within `limit`.
    bool waitForMessages(std::size_t count, std::chrono::milliseconds limit) const;
    std::size_t bytesReceived() const;
    std::size_t bytesSent() const;
    // How long the output queued so far occupies the simulated line: the pacer's own clock, the
    // same on any machine however busy.
    std::chrono::nanoseconds lineTime() const;
    void clearLog();  // empties the message log and zeroes the byte counters and the line time

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace rkt5::sim
