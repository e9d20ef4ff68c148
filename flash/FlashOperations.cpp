#include "flash/FlashOperations.h"

#include <initializer_list>

#include "common/RunTimeError.h"
#include "flash/AccessWord.h"
#include "flash/AddressText.h"
#include "flash/FlashPacket.h"
#include "link/PortSession.h"

namespace rkt5 {

namespace {

constexpr int kMode = 2;
constexpr int kEchoLength = 1032;
constexpr int kReplyComplete = kEchoLength + 4;  // the echo and the "XY" CR LF answer
constexpr int kLastRowWithoutAccessWord = 0xFEFF;

constexpr int kNoAcceptedAnswer = 1;

// Sends the packet in PacketBuffer up to `sends` times and returns the first accepted reply code,
// or kNoAcceptedAnswer when none came. Resends go out at once: the exchange's own time-out is the
// only pause.
int sendPacketUntilAccepted(RadioLink& link, int sends, std::initializer_list<int> accepted) {
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

// Runs one packet step inside the error trap: the port is closed on every way out.
template <typename Step>
int trapped(RadioLink& link, Step step) {
    try {
        PortSession session(link);
        link.ApplyLineSettings(kMode);
        return step();
    } catch (const RunTimeError&) {
        return -1;
    }
}

}  // namespace

int EraseFlash(FlashContext& context) {
    RadioLink& link = context.link;
    return trapped(link, [&] {
        buildErasePacket(link.PacketBuffer, isAccessWord(context.panel.txtPinNumber()));
        link.openPortIfClosed();
        return sendPacketUntilAccepted(link, kEraseSends, {reply::OK, reply::BE});
    });
}

int WriteFlash(FlashContext& context) {
    RadioLink& link = context.link;
    return trapped(link, [&] {
        link.openPortIfClosed();
        const int lastRow = isAccessWord(context.panel.txtPinNumber()) ? FlashImage::kLastRow
                                                                       : kLastRowWithoutAccessWord;
        for (int row = FlashImage::kFirstRow; row <= lastRow; row += kRowsPerBlock) {
            context.panel.showAddress(addressText(row));
            context.panel.setProgress(row);
            if (!blockHasData(context.image, row)) {
                continue;
            }
            buildProgramPacket(link.PacketBuffer, context.image, row);
            const int code = sendPacketUntilAccepted(link, kWriteSends, {reply::OK, reply::PG});
            if (code == kNoAcceptedAnswer) {
                return kNoAcceptedAnswer;
            }
        }
        return 0;
    });
}

int LeaveFlashMode(FlashContext& context) {
    RadioLink& link = context.link;
    return trapped(link, [&] {
        buildEndPacket(link.PacketBuffer);
        link.openPortIfClosed();
        return sendPacketUntilAccepted(link, kLeaveSends, {reply::OK, reply::ED});
    });
}

}  // namespace rkt5
