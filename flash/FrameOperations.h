#pragma once

#include <string_view>

#include "flash/FlashContext.h"

namespace rkt5 {

// The steps of modes 0 and 1, which carry commands and rows in 20-byte frames (mode 1 behind
// "CL~"). Each opens the port if it is closed and closes it before it returns.

// How many times a command frame, or a row with its handshake, is tried before the step fails.
inline constexpr int kFrameSends = 10;

// "ERASE" or "END" (exact text) in mode 0 or 1. Status: the reply code OK 0, ED 2 or BE 4 on such
// an answer; 1 when ten sends brought none or the text is no command (then nothing is sent); -1 on
// a fault.
StatusResult SendCommand(FlashContext& context, std::string_view command, ProtocolMode mode);

// Sends every flagged row of 0xC000-0xFEFF, each confirmed by the echo-and-OK handshake.
// Status: 0 when every row was written or skipped, 1 when a row failed ten times, -1 on a fault.
StatusResult WriteBlocks(FlashContext& context, ProtocolMode mode);

}  // namespace rkt5
