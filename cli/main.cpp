// rkt5-flash: the updater's operations from a terminal.

#include <array>
#include <iomanip>
#include <iostream>
#include <span>
#include <string_view>
#include <vector>

#include "cli/Command.h"

namespace {

using rkt5::cli::Command;

std::array<std::span<const Command>, 3> commandGroups() {
    return {rkt5::cli::protocolCommands(), rkt5::cli::portCommands(), rkt5::cli::imageCommands()};
}

void printOverview(std::ostream& out) {
    out << "usage: rkt5-flash COMMAND [ARGS...]\n"
           "       rkt5-flash --port DEVICE [OPTIONS...]   (the update, as \"Start\" runs it)\n\n"
           "commands:\n";
    for (const auto& group : commandGroups()) {
        for (const Command& command : group) {
            out << "  " << std::left << std::setw(14) << command.name << command.summary << "\n";
        }
    }
    out << "\n\"rkt5-flash COMMAND --help\" describes one command.\n";
}

const Command* findCommand(std::string_view name) {
    for (const auto& group : commandGroups()) {
        for (const Command& command : group) {
            if (command.name == name) {
                return &command;
            }
        }
    }
    return nullptr;
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
    const rkt5::cli::CommandIo io{std::cout, std::cerr};
    if (name.starts_with("--")) {
        // Options without a command: the update, as "Start" would run it.
        const std::vector<std::string_view> args(argv + 1, argv + argc);
        return findCommand("update")->run(args, io);
    }
    if (const Command* command = findCommand(name)) {
        const std::vector<std::string_view> args(argv + 2, argv + argc);
        return command->run(args, io);
    }
    std::cerr << "rkt5-flash: unknown command '" << name << "'\n";
    printOverview(std::cerr);
    return rkt5::cli::kExitUsage;
}
