// rkt5-flash: the updater's operations from a terminal. Each command group contributes a table.

#include <iomanip>
#include <iostream>
#include <span>
#include <string_view>
#include <vector>

#include "cli/Command.h"

namespace {

using rkt5::cli::Command;

std::vector<Command> allCommands() {
    std::vector<Command> commands;
    for (const auto& group : {rkt5::cli::imageCommands()}) {
        commands.insert(commands.end(), group.begin(), group.end());
    }
    return commands;
}

void printOverview(std::ostream& out, const std::vector<Command>& commands) {
    out << "usage: rkt5-flash COMMAND [ARGS...]\n\ncommands:\n";
    for (const Command& command : commands) {
        out << "  " << std::left << std::setw(14) << command.name << command.summary << "\n";
    }
    out << "\n\"rkt5-flash COMMAND --help\" describes one command.\n";
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<Command> commands = allCommands();
    if (argc < 2) {
        printOverview(std::cerr, commands);
        return rkt5::cli::kExitUsage;
    }
    const std::string_view name = argv[1];
    if (name == "--help" || name == "-h" || name == "help") {
        printOverview(std::cout, commands);
        return rkt5::cli::kExitOk;
    }
    const std::vector<std::string_view> args(argv + 2, argv + argc);
    const rkt5::cli::CommandIo io{std::cout, std::cerr};
    for (const Command& command : commands) {
        if (command.name == name) {
            return command.run(args, io);
        }
    }
    std::cerr << "rkt5-flash: unknown command '" << name << "'\n";
    printOverview(std::cerr, commands);
    return rkt5::cli::kExitUsage;
}
