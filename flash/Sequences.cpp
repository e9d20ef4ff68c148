#include "flash/Sequences.h"

#include <array>
#include <functional>

#include "flash/FlashOperations.h"
#include "flash/FrameOperations.h"

namespace rkt5 {

namespace {

// One step of one mode: the operation and the texts the step's button shows. The macros share the
// failure texts and end with texts of their own.
struct StepEntry {
    std::function<StepResult(FlashContext&)> run;
    const char* successText;
    const char* failureText;
};

using ModeSteps = std::array<StepEntry, 4>;  // connect, erase, write, disconnect

// The connect as a step: done on the answer of its mode ("CT" in mode 2, "OK" in modes 0 and 1),
// refused on the other one.
StepResult connectStep(FlashContext& context, ProtocolMode mode) {
    ReplyResult connected = context.link.ConnectRadio(mode);
    if (connected.status == Reply::Other) {
        // Other is all the link answers for a fault and a silent line alike; a fault carries its
        // error number.
        return {connected.error ? StepStatus::Fault : StepStatus::NoAnswer, std::nullopt,
                std::move(connected.reason), connected.error};
    }
    const Reply connectedAnswer = mode == ProtocolMode::Mode2 ? Reply::CT : Reply::OK;
    return {connected.status == connectedAnswer ? StepStatus::Done : StepStatus::Refused,
            connected.status};
}

ModeSteps frameModeSteps(ProtocolMode mode, const char* writeText, const char* disconnectText) {
    return {{
        {[mode](FlashContext& c) { return connectStep(c, mode); }, "Connected.", "Connect failed."},
        {[mode](FlashContext& c) { return SendCommand(c, "ERASE", mode); }, "Erased.",
         "Erase failed."},
        {[mode](FlashContext& c) { return WriteBlocks(c, mode); }, writeText, "Write failed."},
        {[mode](FlashContext& c) { return SendCommand(c, "END", mode); }, disconnectText,
         "Disconnect failed."},
    }};
}

const ModeSteps& stepsOf(ProtocolMode mode) {
    static const std::array<ModeSteps, 3> table{
        // Mode 0 says "Disconnected" without a full stop; operators know its buttons that way.
        frameModeSteps(ProtocolMode::Mode0, "Write OK.", "Disconnected"),
        frameModeSteps(ProtocolMode::Mode1, "Write completed.", "Disconnected."),
        ModeSteps{{
            {[](FlashContext& c) { return connectStep(c, ProtocolMode::Mode2); }, "Connected.",
             "Connect failed."},
            {EraseFlash, "Erased.", "Erase failed."},
            {WriteFlash, "Write OK.", "Write failed."},
            {LeaveFlashMode, "Disconnected.", "Disconnect failed."},
        }},
    };
    return table[static_cast<std::size_t>(modeNumber(mode))];
}

// Why a step failed: the answer that refused it (mode 2's erase answered "OK", say), else the
// reason it gave.
std::string failureReason(const StepResult& result) {
    if (result.status == StepStatus::Refused && result.reply) {
        return "the transceiver answered \"" + std::string(replyName(*result.reply)) + "\"";
    }
    return result.reason;
}

// Whether the line may be to blame for an operation's failure: it went away, or nothing came back
// at all (a port that would not open, a silent line). A stop by the user is no trouble of its.
bool lineTrouble(const FlashContext& context, std::optional<ErrorNumber> error) {
    return error != ErrorNumber::Interrupted &&
           (error == ErrorNumber::LineLost || context.link.heardNothing());
}

// Runs one step; a failure carries the step's text and the reason.
std::optional<Outcome> failedStep(FlashContext& context, const StepEntry& step) {
    const StepResult result = step.run(context);
    if (result.status == StepStatus::Done) {
        return std::nullopt;
    }
    return Outcome{false, Message::ng(step.failureText), failureReason(result),
                   lineTrouble(context, result.error)};
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
        return Outcome{false, *failure, reason, lineTrouble(context, checked.error)};
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
