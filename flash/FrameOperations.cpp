#include "flash/FrameOperations.h"

#include "common/RunTimeError.h"
#include "flash/AddressText.h"
#include "flash/CommandFrames.h"
#include "link/PortSession.h"

namespace rkt5 {

namespace {

// Rows 0xFF00 and above hold what the transceiver needs to start; these modes never write them.
constexpr int kLastFrameRow = 0xFEFF;

// Bytes sent per frame in each mode; the transceiver echoes them and answers 20 bytes.
int answerOffset(int mode) {
    return mode == 0 ? 20 : 23;
}
int completeCount(int mode) {
    return answerOffset(mode) + 20;
}

bool answerArrived(int count, int mode) {
    return count >= completeCount(mode);
}

// One try of the row handshake: the row goes out, the transceiver returns it, and the row is
// written when the returned frame matched and the "OK" frame that follows is answered "OK".
// A mismatch is reported with the "NG" frame, whose answer does not matter.
bool tryRow(FlashContext& context, int mode, int row) {
    RadioLink& link = context.link;
    BuildRowFrame(link.CommandFrame, context.image, row);
    if (!answerArrived(link.SendPacket(mode), mode)) {
        return false;
    }
    if (CheckEcho(link.CommandFrame, link.RxBuffer, answerOffset(mode)) == 1) {
        BuildOkFrame(link.CommandFrame);
        return answerArrived(link.SendPacket(mode), mode) &&
               link.ReadReply(answerOffset(mode)) == reply::OK;
    }
    BuildNgFrame(link.CommandFrame);
    link.SendPacket(mode);
    return false;
}

}  // namespace

int SendCommand(FlashContext& context, std::string_view command, int mode,
                [[maybe_unused]] int eraseArgument) {
    RadioLink& link = context.link;
    try {
        PortSession session(link);
        link.ApplyLineSettings(mode);
        link.openPortIfClosed();
        if (command == "ERASE") {
            BuildEraseFrame(link.CommandFrame);
        } else if (command == "END") {
            BuildEndFrame(link.CommandFrame);
        } else {
            return 1;
        }
        for (int attempt = 0; attempt < kFrameSends; ++attempt) {
            const int count = link.SendPacket(mode);
            if (count < 0) {
                return 1;
            }
            if (answerArrived(count, mode)) {
                const int code = link.ReadReply(answerOffset(mode));
                if (code == reply::OK || code == reply::ED || code == reply::BE) {
                    return code;
                }
            }
        }
        return 1;
    } catch (const RunTimeError&) {
        return -1;
    }
}

int WriteBlocks(FlashContext& context, int mode) {
    RadioLink& link = context.link;
    try {
        PortSession session(link);
        link.ApplyLineSettings(mode);
        link.openPortIfClosed();
        for (int row = FlashImage::kFirstRow; row <= kLastFrameRow; ++row) {
            context.panel.showAddress(addressText(row));
            if (!context.image.RowHasData(row)) {
                continue;
            }
            int attempt = 0;
            while (!tryRow(context, mode, row)) {
                if (++attempt == kFrameSends) {
                    return 1;
                }
            }
        }
        return 0;
    } catch (const RunTimeError&) {
        return -1;
    }
}

}  // namespace rkt5
