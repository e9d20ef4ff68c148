#pragma once

#include "link/RadioLink.h"

namespace rkt5 {

// What every operation with an error trap does last, however it ends: the reply timer disarmed
// and the port closed. No operation may leave either behind for the next one.
class PortSession {
  public:
    explicit PortSession(RadioLink& link) : link_(link) {}
    ~PortSession() {
        link_.Timer1.disarm();
        try {
            link_.closePortIfOpen();
        } catch (...) {
            // A port that fails to close is gone anyway; the operation's status already says why.
        }
    }
    PortSession(const PortSession&) = delete;
    PortSession& operator=(const PortSession&) = delete;

  private:
    RadioLink& link_;
};

}  // namespace rkt5
