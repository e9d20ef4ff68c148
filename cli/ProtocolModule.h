#pragma once

#include <span>
#include <string>

#include "cli/Command.h"

namespace rkt5::cli {

// The commands that talk to the transceiver live in a module beside the executable, loaded only
// when one of them runs: they need Qt, and loading Qt would more than double the start-up time
// of the image commands that scripts call in loops.
inline constexpr const char* kProtocolEntryPoint = "rkt5_protocol_commands";

// The protocol commands, or an empty span with `error` saying why the module did not load.
std::span<const Command> loadProtocolCommands(std::string& error);

}  // namespace rkt5::cli
