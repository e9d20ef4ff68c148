#pragma once

#include <initializer_list>
#include <optional>
#include <string>

#include "common/RunTimeError.h"
#include "link/Reply.h"

namespace rkt5 {

// How a step of the flash commands ended. Each step decides for itself which answers mean it is
// done, so nobody above it has to know which reply code that is in which mode.
enum class StepStatus {
    Done,      // the transceiver gave an answer that means the step is done
    Refused,   // it gave an answer that ends the step undone (mode 2's erase answered "OK")
    NoAnswer,  // the sends ran out without an answer the step takes
    Fault,     // the step could not run or was cut off: a fault of the port or the image, or a
               // command the mode does not have
};

// A step's status, the answer it ended on, and on a failure why: which packet went unanswered and
// what came back instead, or the fault's message with its run-time error number.
struct StepResult {
    StepStatus status;
    // The answer that made the step done or refused it; none when no single answer decided it (a
    // write of many blocks, or no answer at all).
    std::optional<Reply> reply = std::nullopt;
    std::string reason = {};
    std::optional<ErrorNumber> error = std::nullopt;

    bool operator==(const StepResult&) const = default;
};

// The answers that end a step: those that mean it is done and those that refuse it. Any other
// answer is none the step takes, and its packet goes out again.
struct StepAnswers {
    std::initializer_list<Reply> done;
    std::initializer_list<Reply> refused;

    // The step's result on `answer`, or nothing when the step does not take it.
    std::optional<StepResult> take(Reply answer) const;
};

}  // namespace rkt5
