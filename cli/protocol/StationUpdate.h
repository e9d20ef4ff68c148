#pragma once

#include "cli/Command.h"
#include "cli/protocol/LinkOptions.h"
#include "image/FlashImage.h"

namespace rkt5::cli {

// The update as "Start" runs it, on every port the options name at once, each in a thread of its
// own. One port prints as a single update always has (the progress line, the message, the
// reason); several print a line per port and a summary. Ctrl+C lets each port end the exchange
// under way and sends nothing more. Exit 0 only when every port completed.
int runStationUpdate(const LinkOptions& options, const FlashImage& image, const CommandIo& io);

}  // namespace rkt5::cli
