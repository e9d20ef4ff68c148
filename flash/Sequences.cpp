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

// Runs the four steps of a mode in order and stops at the first failure with its message.
Outcome runUpdate(FlashContext& context, int mode, const char* completedText) {
    for (const StepEntry& step : stepsOf(mode)) {
        if (step.run(context) != step.success) {
            return {false, Message::ng(step.failureText)};
        }
    }
    return {true, Message::ok(completedText)};
}

}  // namespace

Outcome startSequence(FlashContext& context) {
    const int status = context.link.CheckModel();
    if (status != 0) {
        return {false, Message::ng(status == reply::RE ? "Region error" : "Error")};
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
    if (entry.run(context) == entry.success) {
        return {true, Message::ok(entry.successText)};
    }
    return {false, Message::ng(entry.failureText)};
}

}  // namespace rkt5
