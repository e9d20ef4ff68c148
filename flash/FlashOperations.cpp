#include "flash/FlashOperations.h"

#include <algorithm>
#include <initializer_list>
#include <string>

#include "common/WireProtocol.h"
#include "flash/AccessWord.h"
#include "flash/AddressText.h"
#include "flash/FlashPacket.h"
#include "link/FailureReason.h"
#include "link/PortSession.h"

namespace rkt5 {

namespace {

constexpr int kEchoLength = static_cast<int>(wire::kPacketSize);
// The echo and the "XY" CR LF answer.
constexpr int kReplyComplete = kEchoLength + static_cast<int>(wire::kShortReplySize);
constexpr int kFaultStatus = -1;

constexpr int kNoAcceptedAnswer = 1;

// Sends the packet in PacketBuffer up to `sends` times and returns the first accepted reply code,
// or kNoAcceptedAnswer with the reason when none came. Resends go out at once: the exchange's own
// time-out, or the rest of a try whose echo came back wrong, is the only pause.
StatusResult sendPacketUntilAccepted(RadioLink& link, const std::string& what, int sends,
                                     std::initializer_list<Reply> accepted) {
    for (int attempt = 0; attempt < sends; ++attempt) {
        if (link.SendPacket(ProtocolMode::Mode2) >= kReplyComplete) {
            const Reply code = link.ReadReply(kEchoLength);
            if (std::ranges::find(accepted, code) != accepted.end()) {
                return {statusOf(code), {}};
            }
        }
    }
    return {kNoAcceptedAnswer, what + ", " + std::to_string(sends) + " sends: " +
                                   answerProblem(link, kEchoLength, wire::kShortReplySize)};
}

// Runs one packet step as an operation of the link: refused while another one runs, the port
// closed and every fault turned into -1 on the way out.
template <typename Step>
StatusResult packetStep(RadioLink& link, Step step) {
    return runOperation(link, kFaultStatus, [&] {
        link.ApplyLineSettings(ProtocolMode::Mode2);
        return step();
    });
}

}  // namespace

StatusResult EraseFlash(FlashContext& context) {
    RadioLink& link = context.link;
    return packetStep(link, [&] {
        buildErasePacket(link.PacketBuffer, isAccessWord(context.panel.txtPinNumber()));
        link.openPortIfClosed();
        return sendPacketUntilAccepted(link, "erase packet \"BE\"", kEraseSends,
                                       {Reply::OK, Reply::BE});
    });
}

StatusResult WriteFlash(FlashContext& context) {
    RadioLink& link = context.link;
    return packetStep(link, [&]() -> StatusResult {
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
            StatusResult sent =
                sendPacketUntilAccepted(link, "block " + addressText(row) + " (\"PG\")",
                                        kWriteSends, {Reply::OK, Reply::PG});
            if (sent.status == kNoAcceptedAnswer) {
                return sent;
            }
        }
        return {0, {}};
    });
}

StatusResult LeaveFlashMode(FlashContext& context) {
    RadioLink& link = context.link;
    return packetStep(link, [&] {
        buildEndPacket(link.PacketBuffer);
        link.openPortIfClosed();
        return sendPacketUntilAccepted(link, "end packet \"ED\"", kLeaveSends,
                                       {Reply::OK, Reply::ED});
    });
}

}  // namespace rkt5
