#pragma once

// The simulated RK-T5 behind a pseudo-terminal, served from its own thread. Tests create one
// in-process; the rkt5-sim program wraps it for the terminal, the demo and the benchmarks.

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
    std::size_t bytesReceived() const;
    std::size_t bytesSent() const;
    void clearLog();

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace rkt5::sim
