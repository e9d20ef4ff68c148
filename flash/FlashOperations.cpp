#include "flash/FlashOperations.h"

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

constexpr int kMode = 2;
constexpr int kEchoLength = static_cast<int>(wire::kPacketSize);
// The echo and the "XY" CR LF answer.
constexpr int kReplyComplete = kEchoLength + static_cast<int>(wire::kShortReplySize);
constexpr int kFaultStatus = -1;

constexpr int kNoAcceptedAnswer = 1;

// Sends the packet in PacketBuffer up to `sends` times and returns the first accepted reply code,
// or kNoAcceptedAnswer when none came, with the reason kept on the link. Resends go out at once:
// the exchange's own time-out is the only pause.
int sendPacketUntilAccepted(RadioLink& link, const std::string& what, int sends,
                            std::initializer_list<int> accepted) {
    for (int attempt = 0; attempt < sends; ++attempt) {
        const int count = link.SendPacket(kMode);
        if (count < 0) {
            return kNoAcceptedAnswer;
        }
        if (count >= kReplyComplete) {
            const int code = link.ReadReply(kEchoLength);
            for (const int good : accepted) {
                if (code == good) {
                    return code;
                }
            }
        }
    }
    link.noteFailure(what + ", " + std::to_string(sends) +
                     " sends: " + answerProblem(link, kEchoLength, wire::kShortReplySize));
    return kNoAcceptedAnswer;
}

bool blockHasData(const FlashImage& image, int firstRow) {
    for (int row = firstRow; row < firstRow + kRowsPerBlock; ++row) {
        if (image.RowHasData(row)) {
            return true;
        }
    }
    return false;
}

// Runs one packet step as an operation of the link: refused while another one runs, the port
// closed and every fault turned into -1 on the way out.
template <typename Step>
int packetStep(RadioLink& link, Step step) {
    return runOperation(link, kFaultStatus, [&] {
        link.ApplyLineSettings(kMode);
        return step();
    });
}

}  // namespace

int EraseFlash(FlashContext& context) {
    RadioLink& link = context.link;
    return packetStep(link, [&] {
        buildErasePacket(link.PacketBuffer, isAccessWord(context.panel.txtPinNumber()));
        link.openPortIfClosed();
        return sendPacketUntilAccepted(link, "erase packet \"BE\"", kEraseSends,
                                       {reply::OK, reply::BE});
    });
}

int WriteFlash(FlashContext& context) {
    RadioLink& link = context.link;
    return packetStep(link, [&] {
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
            const int code =
                sendPacketUntilAccepted(link, "block " + addressText(row) + " (\"PG\")",
                                        kWriteSends, {reply::OK, reply::PG});
            if (code == kNoAcceptedAnswer) {
                return kNoAcceptedAnswer;
            }
        }
        return 0;
    });
}

int LeaveFlashMode(FlashContext& context) {
    RadioLink& link = context.link;
    return packetStep(link, [&] {
        buildEndPacket(link.PacketBuffer);
        link.openPortIfClosed();
        return sendPacketUntilAccepted(link, "end packet \"ED\"", kLeaveSends,
                                       {reply::OK, reply::ED});
    });
}

}  // namespace rkt5
