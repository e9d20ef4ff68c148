#pragma once

#include <iosfwd>
#include <span>
#include <string_view>

namespace rkt5::cli {

// Exit codes shared by every command.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;  // the operation ran and failed (bad file, bad region, ...)
inline constexpr int kExitUsage = 2;   // the command line itself was wrong

struct CommandIo {
    std::ostream& out;
    std::ostream& err;
};

// One subcommand of rkt5-flash. Each command group lives in its own file and hands main its table.
struct Command {
    std::string_view name;
    std::string_view summary;  // one line for the overview
    std::string_view usage;    // full text for "--help"
    int (*run)(std::span<const std::string_view> args, const CommandIo& io);
};

// Image commands: dump-image, checksum. They need no transceiver.
std::span<const Command> imageCommands();
// The commands that talk to the transceiver: update, macro, the four steps, pin, check-model.
std::span<const Command> protocolCommands();
// ports: the serial ports the system has.
std::span<const Command> portCommands();

}  // namespace rkt5::cli
