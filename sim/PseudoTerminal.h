#pragma once

// One pseudo-terminal pair. The simulator holds the master and keeps the slave open itself, so
// the line never hangs up while the updater closes and reopens the port between steps, as the
// real transceiver stays on the cable. The slave is raw: the line discipline neither echoes nor
// translates, so every byte reaches the other side as written.

#include <string>

namespace rkt5::sim {

class PseudoTerminal {
  public:
    PseudoTerminal();  // throws std::system_error when no pseudo-terminal can be had
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    int master() const { return master_; }  // non-blocking
    const std::string& path() const { return path_; }

    // The speed the client set on its side (bit/s), 0 when unknown.
    int clientSpeed() const;

  private:
    int master_ = -1;
    int slave_ = -1;
    std::string path_;
};

}  // namespace rkt5::sim
