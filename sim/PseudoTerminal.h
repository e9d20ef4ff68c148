#pragma once

// One pseudo-terminal pair. The simulator holds the master and keeps the slave open itself, so
// the line never hangs up while the updater closes and reopens the port between steps, as the
// real transceiver stays on the cable. The slave is raw: the line discipline neither echoes nor
// translates, so every byte reaches the other side as written.
//
// Since the line never hangs up, the simulator watches the slave's device file (inotify) to see
// clients open and close the port: a real adapter loses whatever was on its way when the port
// closes, and the next client should start on a quiet line.

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

    // Readable when a client opened or closed the port; -1 when the system cannot watch it.
    int clientWatch() const { return watch_; }
    // Reads what clients did since the last call, without waiting. True when the last client
    // closed the port meanwhile, even if another one opened it again at once.
    bool clientLeft();
    // False once every client has closed the port; true while one has it open, and always true
    // when the port cannot be watched.
    bool clientPresent() const { return watch_ < 0 || openClients_ > 0; }
    // Drops what was written to the port and no client read.
    void discardUnread();

  private:
    int master_ = -1;
    int slave_ = -1;
    int watch_ = -1;
    int openClients_ = 0;
    std::string path_;
};

}  // namespace rkt5::sim
