#pragma once

#include "common/WireProtocol.h"
#include "flash/FlashContext.h"

namespace rkt5 {

// The mode 2 steps after the connect. Each applies the line settings, opens the port if it is
// closed, exchanges its packets with bounded resends and closes the port before it returns.
// Statuses: the transceiver's reply code on an accepted answer (EraseFlash: BE 4 or OK 0;
// LeaveFlashMode: ED 2 or OK 0; WriteFlash: 0 when every block was written or skipped),
// 1 when the sends ran out, -1 on a fault of the port or the image.

// How many times each packet goes out before the step gives up. The erase takes several seconds
// on the transceiver's side, so it is repeated less often than the short write and end packets.
inline constexpr int kEraseSends = 3;
inline constexpr int kWriteSends = 10;
inline constexpr int kLeaveSends = 10;

StatusResult EraseFlash(FlashContext& context);
StatusResult WriteFlash(FlashContext& context);
StatusResult LeaveFlashMode(FlashContext& context);

}  // namespace rkt5
