// rkt5-flash: the updater's operations from a terminal. Each command group contributes a table;
// the image commands are built in, the protocol commands come from a module loaded on demand.

#include <iomanip>
#include <iostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cli/Command.h"
#include "cli/ProtocolModule.h"

namespace {

using rkt5::cli::Command;

const Command* find(std::span<const Command> commands, std::string_view name) {
    for (const Command& command : commands) {
        if (command.name == name) {
            return &command;
        }
    }
    return nullptr;
}

void printOverview(std::ostream& out) {
    std::string error;
    out << "usage: rkt5-flash COMMAND [ARGS...]\n\ncommands:\n";
    for (const auto& group : {rkt5::cli::loadProtocolCommands(error), rkt5::cli::imageCommands()}) {
        for (const Command& command : group) {
            out << "  " << std::left << std::setw(14) << command.name << command.summary << "\n";
        }
    }
    if (!error.empty()) {
        out << "  (the transceiver commands are missing: " << error << ")\n";
    }
    out << "\n\"rkt5-flash COMMAND --help\" describes one command.\n";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        printOverview(std::cerr);
        return rkt5::cli::kExitUsage;
    }
    const std::string_view name = argv[1];
    if (name == "--help" || name == "-h" || name == "help") {
        printOverview(std::cout);
        return rkt5::cli::kExitOk;
    }
    const std::vector<std::string_view> args(argv + 2, argv + argc);
    const rkt5::cli::CommandIo io{std::cout, std::cerr};

    // Image commands first: they must not pay for loading the protocol module and Qt.
    const Command* command = find(rkt5::cli::imageCommands(), name);
    if (command == nullptr) {
        std::string error;
        command = find(rkt5::cli::loadProtocolCommands(error), name);
        if (command == nullptr && !error.empty()) {
            std::cerr << "rkt5-flash: cannot load the transceiver commands: " << error << "\n";
            return rkt5::cli::kExitFailed;
        }
    }
    if (command == nullptr) {
        std::cerr << "rkt5-flash: unknown command '" << name << "'\n";
        printOverview(std::cerr);
        return rkt5::cli::kExitUsage;
    }
    return command->run(args, io);
}
