#pragma once

// The simulated transceiver of the link's tests when they are built for Windows and run under
// wine: the Linux rkt5-sim (its path in RKT5_SIM) in a process of its own, behind a COM port of
// the wine prefix. Wine starts a Unix program for a Windows one but hands back no process handle
// and no pipes: the simulator is started through /bin/sh, which leaves its process id in a file,
// stopped with /bin/kill, and what it received is read back from its message log.

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include <windows.h>

#include "sim/SimulatorTypes.h"

namespace rkt5::test {

class SimProcess {
  public:
    explicit SimProcess(sim::SimulatorOptions options);
    ~SimProcess();  // stops the simulator and waits, within a bound, until its port is gone
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    // "\\.\COMn": the same after a hang-up, when the simulator moves the port's link.
    std::string portPath() const;
    std::vector<sim::ReceivedMessage> receivedMessages() const;
    // True when `count` messages are in the log within `limit`.
    bool waitForMessages(std::size_t count, std::chrono::milliseconds limit) const;
    void clearLog();  // from now on only what arrives later is received

  private:
    void claimComNumber(const std::filesystem::path& prefix);
    void start(const sim::SimulatorOptions& options);
    void stop();
    std::vector<sim::ReceivedMessage> allMessages() const;

    std::filesystem::path dir_;   // as wine sees it: Z: and the Unix path
    std::filesystem::path link_;  // the COM port's entry in the prefix's dosdevices
    HANDLE claim_ = INVALID_HANDLE_VALUE;
    int comNumber_ = 0;
    int pid_ = 0;
    std::size_t cleared_ = 0;
};

}  // namespace rkt5::test
