#include "flash/Sequences.h"

#include <array>
#include <functional>

#include "flash/FlashOperations.h"
#include "flash/FrameOperations.h"

namespace rkt5 {

namespace {

// One step of one mode: the operation, the status that means success, and the texts the step's
// button shows. The macros share the failure texts and end with texts of their own.
struct StepEntry {
    std::function<StatusResult(FlashContext&)> run;
    int success;
    const char* successText;
    const char* failureText;
};

using ModeSteps = std::array<StepEntry, 4>;  // connect, erase, write, disconnect

// The connect as a step: its answer is its status.
StatusResult connectStep(FlashContext& context, ProtocolMode mode) {
    ReplyResult connected = context.link.ConnectRadio(mode);
    return {statusOf(connected.status), std::move(connected.reason), connected.error};
}

ModeSteps frameModeSteps(ProtocolMode mode, const char* writeText, const char* disconnectText) {
    return {{
        {[mode](FlashContext& c) { return connectStep(c, mode); }, 0, "Connected.",
         "Connect failed."},
        {[mode](FlashContext& c) { return SendCommand(c, "ERASE", mode); }, 0, "Erased.",
         "Erase failed."},
        {[mode](FlashContext& c) { return WriteBlocks(c, mode); }, 0, writeText, "Write failed."},
        {[mode](FlashContext& c) { return SendCommand(c, "END", mode); }, 0, disconnectText,
         "Disconnect failed."},
    }};
}

const ModeSteps& stepsOf(ProtocolMode mode) {
    static const std::array<ModeSteps, 3> table{
        // Mode 0 says "Disconnected" without a full stop; operators know its buttons that way.
        frameModeSteps(ProtocolMode::Mode0, "Write OK.", "Disconnected"),
        frameModeSteps(ProtocolMode::Mode1, "Write completed.", "Disconnected."),
        ModeSteps{{
            {[](FlashContext& c) { return connectStep(c, ProtocolMode::Mode2); },
             statusOf(Reply::CT), "Connected.", "Connect failed."},
            {EraseFlash, statusOf(Reply::BE), "Erased.", "Erase failed."},
            {WriteFlash, 0, "Write OK.", "Write failed."},
            {LeaveFlashMode, statusOf(Reply::ED), "Disconnected.", "Disconnect failed."},
        }},
    };
    return table[static_cast<std::size_t>(modeNumber(mode))];
}

// Why a step failed: the reason it gave, else the answer it took as no success (mode 2's erase
// answered "OK", say).
std::string failureReason(const StatusResult& result) {
    if (!result.reason.empty()) {
        return result.reason;
    }
    if (result.status >= 0 && result.status < statusOf(Reply::Other)) {
        return "the transceiver answered \"" +
               std::string(replyName(static_cast<Reply>(result.status))) + "\"";
    }
    return {};
}

// Whether the line may be to blame for an operation's failure: it went away, or nothing came back
// at all (a port that would not open, a silent line). A stop by the user is no trouble of its.
template <typename Status>
bool lineTrouble(const FlashContext& context, const OperationResult<Status>& result) {
    return result.error != ErrorNumber::Interrupted &&
           (result.error == ErrorNumber::LineLost || context.link.heardNothing());
}

// Runs one step; a failure carries the step's text and the reason.
std::optional<Outcome> failedStep(FlashContext& context, const StepEntry& step) {
    const StatusResult result = step.run(context);
    if (result.status == step.success) {
        return std::nullopt;
    }
    return Outcome{false, Message::ng(step.failureText), failureReason(result),
                   lineTrouble(context, result)};
}

// Runs the four steps of a mode in order and stops at the first failure with its message.
Outcome runUpdate(FlashContext& context, ProtocolMode mode, const char* completedText) {
    for (const StepEntry& step : stepsOf(mode)) {
        if (auto failure = failedStep(context, step)) {
            return *failure;
        }
    }
    return {true, Message::ok(completedText)};
}

}  // namespace

std::optional<Message> modelCheckFailure(Reply status) {
    if (status == Reply::OK) {
        return std::nullopt;
    }
    return Message::ng(status == Reply::RE ? "Region error" : "Error");
}

std::optional<Outcome> modelCheckStep(FlashContext& context) {
    const ReplyResult checked = context.link.CheckModel();
    if (auto failure = modelCheckFailure(checked.status)) {
        const std::string reason =
            checked.status == Reply::RE ? "the transceiver is of another region" : checked.reason;
        return Outcome{false, *failure, reason, lineTrouble(context, checked)};
    }
    return std::nullopt;
}

Outcome startSequence(FlashContext& context) {
    if (auto failure = modelCheckStep(context)) {
        return *failure;
    }
    return macroSequence(context, ProtocolMode::Mode2);
}

Outcome macroSequence(FlashContext& context, ProtocolMode mode) {
    return runUpdate(context, mode,
                     sendsFrames(mode) ? "FLASH Memory writing completed." : "Completed.");
}

Outcome stepButton(FlashContext& context, ProtocolMode mode, Step step) {
    const StepEntry& entry = stepsOf(mode).at(static_cast<std::size_t>(step));
    if (auto failure = failedStep(context, entry)) {
        return *failure;
    }
    return {true, Message::ok(entry.successText)};
}

}  // namespace rkt5
