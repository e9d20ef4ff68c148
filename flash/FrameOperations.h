#pragma once

#include <string_view>

#include "flash/FlashContext.h"
#include "flash/StepResult.h"

namespace rkt5 {

// The steps of modes 0 and 1, which carry commands and rows in 20-byte frames (mode 1 behind
// "CL~"). Each opens the port if it is closed and closes it before it returns.

// How many times a command frame, or a row with its handshake, is tried before the step fails.
inline constexpr int kFrameSends = 10;

// "ERASE" or "END" (exact text) in mode 0 or 1: done on "OK", refused on "ED" or "BE". Any other
// text is no command of the mode: a Fault, and nothing is sent.
StepResult SendCommand(FlashContext& context, std::string_view command, ProtocolMode mode);

// Sends every flagged row of 0xC000-0xFEFF, each confirmed by the echo-and-OK handshake: done when
// every row was written or skipped, NoAnswer when a row failed ten times.
StepResult WriteBlocks(FlashContext& context, ProtocolMode mode);

}  // namespace rkt5
