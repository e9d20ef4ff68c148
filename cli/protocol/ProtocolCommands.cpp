// The commands of rkt5-flash that talk to the transceiver.

#include <QEventLoop>
#include <array>
#include <cstdio>
#include <optional>
#include <ostream>
#include <utility>

#include "cli/Command.h"
#include "cli/CommandApplication.h"
#include "cli/CommandImage.h"
#include "cli/CommandParser.h"
#include "cli/protocol/LinkOptions.h"
#include "cli/protocol/StandardErrorTerminal.h"
#include "cli/protocol/StationUpdate.h"
#include "cli/protocol/TerminalPanel.h"
#include "common/RunTimeError.h"
#include "flash/AccessWord.h"
#include "flash/LinkThread.h"
#include "flash/PortCommand.h"
#include "flash/Sequences.h"
#include "serial/Cables.h"
#include "serial/PortNames.h"
#include "serial/SystemPorts.h"
#include "station/KeepAwake.h"

namespace rkt5::cli {

namespace {

// What a command does once the link is set up; it returns the line to print and whether it
// succeeded.
using Action = Outcome (*)(FlashContext& context, const LinkOptions& options);

struct ProtocolCommand {
    std::string_view name;
    std::string_view summary;
    LinkOptionSet accepts;
    bool needsImage;
    Action action;
    std::string_view usage;
};

Outcome modelCheck(FlashContext& context, const LinkOptions&) {
    ReplyResult checked = context.link.CheckModel();
    const std::string statusLine = "status " + std::to_string(statusOf(checked.status));
    if (const auto failure = modelCheckFailure(checked.status)) {
        return {false, Message::ng(statusLine + "\n" + failure->text), std::move(checked.reason)};
    }
    return {true, Message::ok(statusLine)};
}

Outcome pinCommand(FlashContext& context, const LinkOptions&) {
    ReplyResult result = RunPortCommand(context);
    const std::string text = portResultText(result.status);
    const bool answered = text != "???";
    return {answered, Message::ok(text), answered ? "" : std::move(result.reason)};
}

template <Step step>
Outcome stepCommand(FlashContext& context, const LinkOptions& options) {
    return stepButton(context, *protocolMode(options.mode), step);
}

Outcome macroCommand(FlashContext& context, const LinkOptions& options) {
    return macroSequence(context, *protocolMode(options.mode));
}

constexpr ProtocolCommand kCommands[] = {
    {"update",
     "the whole update, as \"Start\" runs it, on one port or many",
     {false, true, true, false, true},
     true,
     nullptr,
     "usage: rkt5-flash update --port DEVICE [--port DEVICE...] [--all] [options]\n\n"
     "The whole update, as the \"Start\" button runs it: model and region check, connect, erase,\n"
     "write, leave flash mode. Prints the final message; exit 0 after \"Completed.\", 1 after a\n"
     "failure, 2 on usage errors.\n\n"
     "With several ports (--port again, or --all) every transceiver is updated at once: a\n"
     "progress line per port, then a summary line per port (message, seconds, and for a failure\n"
     "its reason and what it leaves the transceiver in). Exit 0 only when every one completed.\n"
     "Ctrl+C lets each port finish the exchange under way and sends nothing more.\n"},
    {"macro",
     "connect, erase, write and end in one mode",
     {true, true, true, false},
     true,
     macroCommand,
     "usage: rkt5-flash macro --mode 0|1|2 --port DEVICE [options]\n\n"
     "Connect, erase, write and end in one protocol mode, without the model check.\n"},
    {"connect",
     "put the transceiver into flash mode",
     {true, false, false, false},
     false,
     stepCommand<Step::Connect>,
     "usage: rkt5-flash connect --mode 0|1|2 --port DEVICE [options]\n\n"
     "Puts the transceiver into flash mode; prints \"Connected.\" or \"Connect failed.\".\n"},
    {"erase",
     "erase the flash",
     {true, false, true, false},
     false,
     stepCommand<Step::Erase>,
     "usage: rkt5-flash erase --mode 0|1|2 --port DEVICE [options]\n\n"
     "Erases the flash blocks (the top block only with the access word, mode 2).\n"},
    {"write",
     "write the image",
     {true, true, true, false},
     true,
     stepCommand<Step::Write>,
     "usage: rkt5-flash write --mode 0|1|2 --port DEVICE [options]\n\n"
     "Writes the image: 1024-byte blocks in mode 2, 16-byte rows in modes 0 and 1.\n"},
    {"disconnect",
     "take the transceiver out of flash mode",
     {true, false, false, false},
     false,
     stepCommand<Step::Disconnect>,
     "usage: rkt5-flash disconnect --mode 0|1|2 --port DEVICE [options]\n\n"
     "Takes the transceiver out of flash mode.\n"},
    {"pin",
     "drive or read one input/output pin",
     {false, false, false, true},
     false,
     pinCommand,
     "usage: rkt5-flash pin --pin NN --function low|high|input|read --port DEVICE [options]\n\n"
     "Drives or reads one input/output pin and prints what the \"GO\" button shows:\n"
     "OK, NG, L出力, H出力, L入力, H入力 or ??? (no or no valid answer; exit 1).\n"},
    {"check-model",
     "check the transceiver's model and region",
     {false, false, false, false},
     false,
     modelCheck,
     "usage: rkt5-flash check-model --port DEVICE [options]\n\n"
     "Asks the transceiver for its model and region; prints the status, and on failure the\n"
     "message \"Start\" would show (\"Region error\" or \"Error\").\n"},
};

// Reads the command's arguments into `options`; nothing when the command should run, else its
// exit code.
std::optional<int> readArguments(const ProtocolCommand& command,
                                 std::span<const std::string_view> argv, const CommandIo& io,
                                 LinkOptions& options) {
    CommandParser args(command.name, command.usage);
    addLinkOptions(args, command.accepts);
    if (const auto exitCode = args.parse(argv, io)) {
        return exitCode;
    }
    std::string error;
    if (!readLinkOptions(args, command.accepts, options, error)) {
        return args.usageError(io, error);
    }
    return std::nullopt;
}

// The port the options name, resolved once: "COMn" or a device path, numbered as the window's
// menu numbers it.
std::optional<PortIdentity> chosenPort(const LinkOptions& options, std::string_view command,
                                       const CommandIo& io) {
    try {
        PortNames names;
        names.setListedPorts(describeSystemPorts());
        return names.identifyArgument(options.port());
    } catch (const RunTimeError& bad) {
        io.err << "rkt5-flash " << command << ": --port: " << bad.what() << "\n";
        return std::nullopt;
    }
}

// Runs the command's one operation on a link thread, drawing its progress meanwhile.
int runOnLink(const ProtocolCommand& command, const LinkOptions& options, PortIdentity port,
              const FlashImage& image, const CommandIo& io) {
    LinkThread link(image);
    link.setReplyTime(options.timeout);
    if (options.logPath) {
        ExchangeLog log;
        if (!log.open(*options.logPath, "rkt5-flash " + std::string(command.name),
                      [](const std::string& device) { return cableReport(device); })) {
            io.err << "rkt5-flash " << command.name << ": cannot write the log '"
                   << *options.logPath << "'\n";
            return kExitFailed;
        }
        link.setLog(std::move(log));
    }
    // The commands that write the flash keep the computer from sleeping while they run.
    std::optional<KeepAwake> awake;
    if (command.needsImage || command.name == "erase") {
        awake.emplace("the RK-T5 transceiver is being written");
    }
    TerminalProgress progress(standardErrorIsTerminal() ? stderr : nullptr);
    TerminalPanel panel(writeEndAddress(options.pinNumberText), progress);
    // The loop is the receiver, so that the signals are handled here, in this thread.
    Outcome outcome;
    QEventLoop ended;
    QObject::connect(&link, &LinkThread::addressShown, &ended,
                     [&panel](const QString& text) { panel.showAddress(text.toStdString()); });
    QObject::connect(&link, &LinkThread::finished, &ended, [&](const LinkRun& run) {
        outcome = run.outcome;
        ended.quit();
    });
    link.start(
        {std::move(port), options.speedIndex, options.pinNumberText, options.pinFunction},
        [&command, &options](FlashContext& context) { return command.action(context, options); });
    ended.exec();
    awake.reset();
    progress.finish(outcome.succeeded);
    // The reason first, then the step's own message, which scripts may look for.
    if (!outcome.succeeded && !outcome.reason.empty()) {
        io.err << "rkt5-flash: " << outcome.reason << std::endl;
    }
    io.out << outcome.message.text << std::endl;
    return outcome.succeeded ? kExitOk : kExitFailed;
}

int runProtocolCommand(const ProtocolCommand& command, std::span<const std::string_view> argv,
                       const CommandIo& io) {
    LinkOptions options;
    if (const auto exitCode = readArguments(command, argv, io, options)) {
        return *exitCode;
    }
    const CommandApplication application;
    std::optional<PortIdentity> port;
    if (!command.accepts.manyPorts && !(port = chosenPort(options, command.name, io))) {
        return kExitUsage;
    }
    // A file the strict check finds fault with never reaches the transceiver.
    const ImageReading reading = options.lenient ? ImageReading::Lenient : ImageReading::Checked;
    std::unique_ptr<FlashImage> image = command.needsImage
                                            ? commandImage(options.imagePath, io.err, reading)
                                            : std::make_unique<FlashImage>();
    if (!image) {
        return kExitFailed;
    }
    if (command.accepts.manyPorts) {
        return runStationUpdate(options, *image, io);
    }
    return runOnLink(command, options, std::move(*port), *image, io);
}

template <std::size_t index>
int runCommand(std::span<const std::string_view> args, const CommandIo& io) {
    return runProtocolCommand(kCommands[index], args, io);
}

template <std::size_t... index>
constexpr std::array<Command, sizeof...(index)> commandTable(std::index_sequence<index...>) {
    return {{Command{kCommands[index].name, kCommands[index].summary, kCommands[index].usage,
                     runCommand<index>}...}};
}

constexpr auto kCommandTable = commandTable(std::make_index_sequence<std::size(kCommands)>());

}  // namespace

std::span<const Command> protocolCommands() {
    return kCommandTable;
}

}  // namespace rkt5::cli
