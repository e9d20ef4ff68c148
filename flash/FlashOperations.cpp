#include "flash/FlashOperations.h"

#include <string>

#include "common/WireProtocol.h"
#include "flash/AccessWord.h"
#include "flash/AddressText.h"
#include "flash/FlashPacket.h"
#include "flash/StepOperation.h"
#include "link/FailureReason.h"

namespace rkt5 {

namespace {

constexpr int kEchoLength = static_cast<int>(wire::kPacketSize);
// The echo and the "XY" CR LF answer.
constexpr int kReplyComplete = kEchoLength + static_cast<int>(wire::kShortReplySize);

// Sends the packet in PacketBuffer up to `sends` times until an answer the step takes comes back.
// Resends go out at once: the exchange's own time-out, or the rest of a try whose echo came back
// wrong, is the only pause.
StepResult sendPacketUntilTaken(RadioLink& link, const std::string& what, int sends,
                                const StepAnswers& answers) {
    for (int attempt = 0; attempt < sends; ++attempt) {
        if (link.SendPacket(ProtocolMode::Mode2) >= kReplyComplete) {
            if (auto taken = answers.take(link.ReadReply(kEchoLength))) {
                return *taken;
            }
        }
    }
    return {StepStatus::NoAnswer, std::nullopt,
            what + ", " + std::to_string(sends) +
                " sends: " + answerProblem(link, kEchoLength, wire::kShortReplySize)};
}

// Runs one packet step as an operation of the link in mode 2's line settings.
template <typename Body>
StepResult packetStep(RadioLink& link, Body body) {
    return runStep(link, [&] {
        link.ApplyLineSettings(ProtocolMode::Mode2);
        return body();
    });
}

}  // namespace

StepResult EraseFlash(FlashContext& context) {
    RadioLink& link = context.link;
    return packetStep(link, [&] {
        buildErasePacket(link.PacketBuffer, isAccessWord(context.panel.txtPinNumber()));
        link.openPortIfClosed();
        return sendPacketUntilTaken(link, "erase packet \"BE\"", kEraseSends,
                                    {.done = {Reply::BE}, .refused = {Reply::OK}});
    });
}

StepResult WriteFlash(FlashContext& context) {
    RadioLink& link = context.link;
    return packetStep(link, [&]() -> StepResult {
        link.openPortIfClosed();
        const int lastRow = isAccessWord(context.panel.txtPinNumber()) ? FlashImage::kLastRow
                                                                       : kLastRowBelowTopBlock;
        for (int row = FlashImage::kFirstRow; row <= lastRow; row += kRowsPerBlock) {
            context.panel.showAddress(addressText(row));
            context.panel.setProgress(row);
            if (!blockHasData(context.image, row)) {
                continue;
            }
            buildProgramPacket(link.PacketBuffer, context.image, row);
            StepResult sent = sendPacketUntilTaken(link, "block " + addressText(row) + " (\"PG\")",
                                                   kWriteSends, {.done = {Reply::OK, Reply::PG}});
            if (sent.status != StepStatus::Done) {
                return sent;
            }
        }
        return {StepStatus::Done};
    });
}

StepResult LeaveFlashMode(FlashContext& context) {
    RadioLink& link = context.link;
    return packetStep(link, [&] {
        buildEndPacket(link.PacketBuffer);
        link.openPortIfClosed();
        return sendPacketUntilTaken(link, "end packet \"ED\"", kLeaveSends,
                                    {.done = {Reply::ED}, .refused = {Reply::OK}});
    });
}

}  // namespace rkt5
