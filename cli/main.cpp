// rkt5-flash: the updater's operations from a terminal. The image commands run here; the
// commands that talk to the transceiver are handed to rkt5-flash-link (see ProtocolCommandList.h).

#include <iomanip>
#include <iostream>
#include <span>
#include <string_view>
#include <vector>

#include "cli/Command.h"
#include "cli/ProtocolCommandList.h"
#include "cli/ProtocolProgram.h"

namespace {

void printOverview(std::ostream& out) {
    out << "usage: rkt5-flash COMMAND [ARGS...]\n"
           "       rkt5-flash --port DEVICE [OPTIONS...]   (the update, as \"Start\" runs it)\n\n"
           "commands:\n";
    const auto line = [&out](std::string_view name, std::string_view summary) {
        out << "  " << std::left << std::setw(14) << name << summary << "\n";
    };
    for (const auto& command : rkt5::cli::kProtocolCommandList) {
        line(command.name, command.summary);
    }
    for (const auto& command : rkt5::cli::imageCommands()) {
        line(command.name, command.summary);
    }
    out << "\n\"rkt5-flash COMMAND --help\" describes one command.\n";
}

bool isProtocolCommand(std::string_view name) {
    for (const auto& command : rkt5::cli::kProtocolCommandList) {
        if (command.name == name) {
            return true;
        }
    }
    return false;
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
    if (isProtocolCommand(name)) {
        return rkt5::cli::runProtocolProgram(argc, argv);
    }
    if (name.starts_with("--")) {
        // Options without a command: the update, as "Start" would run it.
        std::vector<char*> update{argv[0], const_cast<char*>("update")};
        update.insert(update.end(), argv + 1, argv + argc);
        return rkt5::cli::runProtocolProgram(static_cast<int>(update.size()), update.data());
    }
    const std::vector<std::string_view> args(argv + 2, argv + argc);
    for (const rkt5::cli::Command& command : rkt5::cli::imageCommands()) {
        if (command.name == name) {
            return command.run(args, {std::cout, std::cerr});
        }
    }
    std::cerr << "rkt5-flash: unknown command '" << name << "'\n";
    printOverview(std::cerr);
    return rkt5::cli::kExitUsage;
}
