#include "flash/FrameOperations.h"

#include <string>

#include "common/WireProtocol.h"
#include "flash/AccessWord.h"
#include "flash/AddressText.h"
#include "flash/CommandFrames.h"
#include "flash/StepOperation.h"
#include "link/FailureReason.h"

namespace rkt5 {

namespace {

// Bytes sent per frame in each mode: the echo the answer stands behind.
int answerOffset(ProtocolMode mode) {
    return static_cast<int>(mode == ProtocolMode::Mode0 ? wire::kFrameSize : wire::kMode1FrameSize);
}

bool answerArrived(int count, ProtocolMode mode) {
    return count >= answerOffset(mode) + static_cast<int>(wire::kFrameReplySize);
}

std::string answerProblem(const RadioLink& link, ProtocolMode mode) {
    return rkt5::answerProblem(link, answerOffset(mode), wire::kShortReplySize);
}

// One try of the row handshake: the row goes out, the transceiver returns it, and the row is
// written when the returned frame matched and the "OK" frame that follows is answered "OK".
// A mismatch is reported with the "NG" frame, whose answer does not matter.
// Returns why the try failed, or nothing when the row is written.
std::string tryRow(FlashContext& context, ProtocolMode mode, int row) {
    RadioLink& link = context.link;
    BuildRowFrame(link.CommandFrame, context.image, row);
    if (!answerArrived(link.SendPacket(mode), mode)) {
        return answerProblem(link, mode);
    }
    if (CheckEcho(link.CommandFrame, link.RxBuffer, answerOffset(mode)) == 1) {
        BuildOkFrame(link.CommandFrame);
        if (answerArrived(link.SendPacket(mode), mode) &&
            link.ReadReply(answerOffset(mode)) == Reply::OK) {
            return {};
        }
        return "the \"OK\" frame: " + answerProblem(link, mode);
    }
    BuildNgFrame(link.CommandFrame);
    link.SendPacket(mode);
    return "the row came back different";
}

}  // namespace

StepResult SendCommand(FlashContext& context, std::string_view command, ProtocolMode mode) {
    RadioLink& link = context.link;
    return runStep(link, [&]() -> StepResult {
        link.ApplyLineSettings(mode);
        link.openPortIfClosed();
        if (command == "ERASE") {
            BuildEraseFrame(link.CommandFrame);
        } else if (command == "END") {
            BuildEndFrame(link.CommandFrame);
        } else {
            return {StepStatus::Fault, std::nullopt,
                    "\"" + std::string(command) + "\" is no command of this mode"};
        }
        const StepAnswers answers{.done = {Reply::OK}, .refused = {Reply::ED, Reply::BE}};
        for (int attempt = 0; attempt < kFrameSends; ++attempt) {
            if (answerArrived(link.SendPacket(mode), mode)) {
                if (auto taken = answers.take(link.ReadReply(answerOffset(mode)))) {
                    return *taken;
                }
            }
        }
        return {StepStatus::NoAnswer, std::nullopt,
                "\"" + std::string(command) + "\" frame, " + std::to_string(kFrameSends) +
                    " sends: " + answerProblem(link, mode)};
    });
}

StepResult WriteBlocks(FlashContext& context, ProtocolMode mode) {
    RadioLink& link = context.link;
    return runStep(link, [&]() -> StepResult {
        link.ApplyLineSettings(mode);
        link.openPortIfClosed();
        for (int row = FlashImage::kFirstRow; row <= kLastRowBelowTopBlock; ++row) {
            context.panel.showAddress(addressText(row));
            if (!context.image.RowHasData(row)) {
                continue;
            }
            for (int attempt = 1;; ++attempt) {
                const std::string problem = tryRow(context, mode, row);
                if (problem.empty()) {
                    break;
                }
                if (attempt == kFrameSends) {
                    return {StepStatus::NoAnswer, std::nullopt,
                            "row " + addressText(row) + ", " + std::to_string(attempt) +
                                " tries: " + problem};
                }
            }
        }
        return {StepStatus::Done};
    });
}

}  // namespace rkt5
