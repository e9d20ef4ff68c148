#pragma once

// One line of the simulator's message log: what arrived, at which line speed, byte for byte.
//
//   PG 57600 fffe5047...d5
//
// The kind as a fault names it, the speed the port was set to (0 when unknown), the bytes in
// hexadecimal. A program that drives the simulator from elsewhere reads back what it sent.

#include <optional>
#include <string>
#include <string_view>

#include "sim/SimulatorTypes.h"

namespace rkt5::sim {

// The line, with its newline.
std::string messageLogLine(const ReceivedMessage& message);

// The message of a line (without its newline); nothing for a line that is not one.
std::optional<ReceivedMessage> parseMessageLogLine(std::string_view line);

}  // namespace rkt5::sim
