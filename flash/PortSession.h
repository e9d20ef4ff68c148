#pragma once

#include "link/RadioLink.h"

namespace rkt5 {

// Closes the port when an operation ends, however it ends: no operation may leave it open.
class PortSession {
  public:
    explicit PortSession(RadioLink& link) : link_(link) {}
    ~PortSession() {
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
