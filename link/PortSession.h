#pragma once

#include <exception>

#include "link/FailureReason.h"
#include "link/OperationResult.h"
#include "link/RadioLink.h"

namespace rkt5 {

// One operation's hold on the link. However the operation ends, the reply timer is disarmed and
// the port closed: no operation may leave either behind for the next one.
class PortSession {
  public:
    explicit PortSession(RadioLink& link) : link_(link) { link_.heard_ = 0; }
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

// Runs `body` as one operation on the link, inside its error trap: any exception becomes
// `errorStatus` with its message as the reason (and a run-time error's number). The link's thread
// runs one operation at a time, so no other can start meanwhile.
template <typename Status, typename Body>
OperationResult<Status> runOperation(RadioLink& link, Status errorStatus, Body&& body) {
    PortSession session(link);
    try {
        return body();
    } catch (const RunTimeError& error) {
        return {errorStatus, error.what(), error.number()};
    } catch (const std::exception& error) {
        return {errorStatus, error.what()};
    }
}

}  // namespace rkt5
