#pragma once

#include <memory>
#include <string>

namespace rkt5 {

// Keeps the computer from sleeping while it lives, so that an update is not cut off halfway by
// the power settings: on Windows through the thread's execution state (create and destroy it on
// one long-lived thread), elsewhere through a sleep inhibitor of the login manager over the
// system bus. Where neither exists (no bus, no login manager) it quietly does nothing.
class KeepAwake {
  public:
    explicit KeepAwake(const std::string& why);
    ~KeepAwake();
    KeepAwake(const KeepAwake&) = delete;
    KeepAwake& operator=(const KeepAwake&) = delete;

    // True when the system took the request.
    bool held() const;

  private:
    struct Hold;
    std::unique_ptr<Hold> hold_;
};

}  // namespace rkt5
