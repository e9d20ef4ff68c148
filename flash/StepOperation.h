#pragma once

#include <optional>
#include <utility>

#include "flash/StepResult.h"
#include "link/PortSession.h"

namespace rkt5 {

// Runs a step's `body` as one operation of the link (see runOperation), the answer it ended on
// carried past the error trap: a fault is a Fault with no answer.
template <typename Body>
StepResult runStep(RadioLink& link, Body&& body) {
    std::optional<Reply> reply;
    OperationResult<StepStatus> ran =
        runOperation(link, StepStatus::Fault, [&]() -> OperationResult<StepStatus> {
            StepResult result = body();
            reply = result.reply;
            return {result.status, std::move(result.reason), result.error};
        });
    return {ran.status, reply, std::move(ran.reason), ran.error};
}

}  // namespace rkt5
