#pragma once

#include "common/WireProtocol.h"
#include "flash/FlashContext.h"
#include "flash/StepResult.h"

namespace rkt5 {

// The mode 2 steps after the connect. Each applies the line settings, opens the port if it is
// closed, exchanges its packets with bounded resends and closes the port before it returns.

// How many times each packet goes out before the step gives up. The erase takes several seconds
// on the transceiver's side, so it is repeated less often than the short write and end packets.
inline constexpr int kEraseSends = 3;
inline constexpr int kWriteSends = 10;
inline constexpr int kLeaveSends = 10;

// Done on "BE"; refused on "OK", which ends the erase without saying that the blocks are erased.
StepResult EraseFlash(FlashContext& context);
// Done when every block was answered "PG" or "OK", or skipped.
StepResult WriteFlash(FlashContext& context);
// Done on "ED"; refused on "OK", which does not say that the transceiver left flash mode.
StepResult LeaveFlashMode(FlashContext& context);

}  // namespace rkt5
