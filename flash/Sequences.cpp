#include "flash/Sequences.h"

#include <array>
#include <functional>

#include "flash/FlashOperations.h"
#include "flash/FrameOperations.h"
#include "link/FailureReason.h"

namespace rkt5 {

namespace {

// One step of one mode: the operation, the status that means success, and the texts the step's
// button shows. The macros share the failure texts and end with texts of their own.
struct StepEntry {
    std::function<int(FlashContext&)> run;
    int success;
    const char* successText;
    const char* failureText;
};

using ModeSteps = std::array<StepEntry, 4>;  // connect, erase, write, disconnect

ModeSteps frameModeSteps(int mode, const char* writeText, const char* disconnectText) {
    return {{
        {[mode](FlashContext& c) { return c.link.ConnectRadio(mode); }, 0, "Connected.",
         "Connect failed."},
        {[mode](FlashContext& c) { return SendCommand(c, "ERASE", mode, 0); }, 0, "Erased.",
         "Erase failed."},
        {[mode](FlashContext& c) { return WriteBlocks(c, mode); }, 0, writeText, "Write failed."},
        {[mode](FlashContext& c) { return SendCommand(c, "END", mode, 0); }, 0, disconnectText,
         "Disconnect failed."},
    }};
}

const ModeSteps& stepsOf(int mode) {
    static const std::array<ModeSteps, 3> table{
        // Mode 0 says "Disconnected" without a full stop; operators know its buttons that way.
        frameModeSteps(0, "Write OK.", "Disconnected"),
        frameModeSteps(1, "Write completed.", "Disconnected."),
        ModeSteps{{
            {[](FlashContext& c) { return c.link.ConnectRadio(2); }, reply::CT, "Connected.",
             "Connect failed."},
            {EraseFlash, reply::BE, "Erased.", "Erase failed."},
            {WriteFlash, 0, "Write OK.", "Write failed."},
            {LeaveFlashMode, reply::ED, "Disconnected.", "Disconnect failed."},
        }},
    };
    return table.at(static_cast<std::size_t>(mode));
}

// Why an operation that just returned `status` failed: the reason it kept, else the answer it
// took as no success (mode 2's erase answered "OK", say).
std::string failureReason(const RadioLink& link, int status) {
    if (link.busy()) {
        return std::string(kLinkBusyReason);
    }
    if (!link.failure().empty()) {
        return link.failure();
    }
    if (status >= 0 && status < static_cast<int>(reply::kShortReplies.size())) {
        return "the transceiver answered \"" +
               std::string(reply::kShortReplies[static_cast<std::size_t>(status)]) + "\"";
    }
    return {};
}

// Runs one step; a failure carries the step's text and the reason.
std::optional<Outcome> failedStep(FlashContext& context, const StepEntry& step) {
    const int status = step.run(context);
    if (status == step.success) {
        return std::nullopt;
    }
    return Outcome{false, Message::ng(step.failureText), failureReason(context.link, status)};
}

// Runs the four steps of a mode in order and stops at the first failure with its message.
Outcome runUpdate(FlashContext& context, int mode, const char* completedText) {
    for (const StepEntry& step : stepsOf(mode)) {
        if (auto failure = failedStep(context, step)) {
            return *failure;
        }
    }
    return {true, Message::ok(completedText)};
}

}  // namespace

std::optional<Message> modelCheckFailure(int status) {
    if (status == reply::OK) {
        return std::nullopt;
    }
    return Message::ng(status == reply::RE ? "Region error" : "Error");
}

std::optional<Outcome> modelCheckStep(FlashContext& context) {
    const int status = context.link.CheckModel();
    if (auto failure = modelCheckFailure(status)) {
        const std::string reason = status == reply::RE ? "the transceiver is of another region"
                                                       : failureReason(context.link, status);
        return Outcome{false, *failure, reason};
    }
    return std::nullopt;
}

Outcome startSequence(FlashContext& context) {
    if (auto failure = modelCheckStep(context)) {
        return *failure;
    }
    return *macroSequence(context, 2);
}

std::optional<Outcome> macroSequence(FlashContext& context, int index) {
    switch (index) {
        case 0:
        case 1:
            return runUpdate(context, index, "FLASH Memory writing completed.");
        case 2:
            return runUpdate(context, index, "Completed.");
        default:
            return std::nullopt;
    }
}

Outcome stepButton(FlashContext& context, int mode, Step step) {
    const StepEntry& entry = stepsOf(mode).at(static_cast<std::size_t>(step));
    if (auto failure = failedStep(context, entry)) {
        return *failure;
    }
    return {true, Message::ok(entry.successText)};
}

}  // namespace rkt5
