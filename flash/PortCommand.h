#pragma once

#include <string>

#include "flash/FlashContext.h"

namespace rkt5 {

// Drives or reads one of the transceiver's pins: "ZR~P", the pin number from the pin-number box,
// the digit of the chosen function and CR, sent once. Returns the status of the six-byte answer
// behind the 8-byte echo (0 OK, 1 NG, 9-12 the pin states, 13 RE), or 8 for anything else, a short
// answer or a fault.
ReplyResult RunPortCommand(FlashContext& context);

// The text the "GO" button shows for a result of RunPortCommand.
std::string portResultText(Reply result);

}  // namespace rkt5
