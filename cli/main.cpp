// rkt5-flash: the updater's operations from a terminal.

#include <QCommandLineParser>
#include <array>
#include <iomanip>
#include <iostream>
#include <span>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/Command.h"

namespace {

using rkt5::cli::Command;

std::array<std::span<const Command>, 3> commandGroups() {
    return {rkt5::cli::protocolCommands(), rkt5::cli::portCommands(), rkt5::cli::imageCommands()};
}

std::string overview(const QCommandLineParser& parser) {
    std::ostringstream out;
    out << "usage: rkt5-flash COMMAND [ARGS...]\n"
           "       rkt5-flash --port DEVICE [OPTIONS...]   (the update, as \"Start\" runs it)\n\n"
           "commands:\n";
    for (const auto& group : commandGroups()) {
        for (const Command& command : group) {
            out << "  " << std::left << std::setw(14) << command.name << command.summary << "\n";
        }
    }
    out << "\n\"rkt5-flash COMMAND --help\" describes one command.\n";
    // Below the commands, the options of the program itself, as the parser lists them.
    const std::string generated = parser.helpText().toStdString();
    return out.str() + generated.substr(generated.find('\n') + 1);
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
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    const rkt5::cli::CommandIo io{std::cout, std::cerr};
    // The program's own parser reads only the first argument: a command, --help or --version.
    // Everything after a command is that command's to read.
    QCommandLineParser parser;
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    if (args.empty()) {
        std::cerr << overview(parser);
        return rkt5::cli::kExitUsage;
    }
    if (!parser.parse({"rkt5-flash", QString::fromLocal8Bit(argv[1])})) {
        // Options without a command: the update, as "Start" would run it.
        return findCommand("update")->run(args, io);
    }
    if (parser.isSet(help) || parser.isSet("help-all") || args[0] == "help") {
        std::cout << overview(parser);
        return rkt5::cli::kExitOk;
    }
    if (parser.isSet(version)) {
        std::cout << "rkt5-flash " << RKT5_VERSION << "\n";
        return rkt5::cli::kExitOk;
    }
    if (const Command* command = findCommand(args[0])) {
        return command->run(std::span(args).subspan(1), io);
    }
    std::cerr << "rkt5-flash: unknown command '" << args[0] << "'\n" << overview(parser);
    return rkt5::cli::kExitUsage;
}
