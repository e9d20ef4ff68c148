#include "cli/protocol/LinkOptions.h"

#include <utility>

#include "common/WholeNumber.h"
#include "link/LineOptionText.h"

namespace rkt5::cli {

namespace {

std::optional<int> pinFunctionIndex(const std::string& name) {
    static constexpr std::string_view kFunctions[] = {"low", "high", "input", "read"};
    for (int index = 0; index < 4; ++index) {
        if (name == kFunctions[index]) {
            return index;
        }
    }
    return std::nullopt;
}

}  // namespace

void addLinkOptions(CommandParser& parser, const LinkOptionSet& set) {
    parser.addOption({"port",
                      set.manyPorts ? "a transceiver's serial port: a device path or COMn; give it "
                                      "once per transceiver to update several at once"
                                    : "the transceiver's serial port: a device path or COMn "
                                      "(required)",
                      "DEVICE"});
    if (set.manyPorts) {
        parser.addOption({"all", "update a transceiver on every USB serial adapter as well"});
        parser.addOption(
            {"record",
             "append a CSV row per transceiver to FILE: time, computer, port, adapter serial "
             "number, firmware, image checksum, message, reason, seconds, sends, resends, unit, "
             "operator, image SHA-256, program version",
             "FILE"});
        parser.addOption({"unit",
                          "the transceiver's label for the record (its serial number, say): "
                          "LABEL with one port, else COMn=LABEL or DEVICE=LABEL once per port",
                          "LABEL"});
    }
    parser.addOption({"baud",
                      "line speed 9600, 38400 or 57600 (default 57600); modes 0 and 1 leave the "
                      "port at its last speed when 57600 is chosen",
                      "N"});
    parser.addOption({"timeout-ms", "how long to wait for each answer (default 5000)", "N"});
    parser.addOption({"log",
                      set.manyPorts ? "write every exchange to FILE (time, bytes in hex, replies, "
                                      "sends); with several ports, PATH is a folder that gets "
                                      "one log per port"
                                    : "write every exchange to FILE (time, bytes in hex, replies, "
                                      "sends)",
                      set.manyPorts ? "PATH" : "FILE"});
    if (set.mode) {
        parser.addOption({"mode", "protocol mode 0, 1 or 2 (default 2)", "N"});
    }
    if (set.image) {
        parser.addOption({"image",
                          "write FILE (S-records; Intel HEX when the name ends in \"hex\") "
                          "instead of the built-in EG5.000 firmware; a file that fails "
                          "\"rkt5-flash check\" is refused before the port opens",
                          "FILE"});
        parser.addOption({"lenient", "load FILE as the window does, without the check"});
    }
    if (set.accessWord) {
        parser.addOption(
            {"access-word", "the word that opens the top block 0xFF000-0xFFFFF", "TEXT"});
    }
    if (set.pin) {
        parser.addOption({"pin", "the pin number as typed into the pin box", "NN"});
        parser.addOption({"function", "low, high, input or read (default read)", "F"});
    }
}

namespace {

// --port, --baud and --timeout-ms: the line every command opens.
bool readLineOptions(const CommandParser& args, const LinkOptionSet& set, LinkOptions& options,
                     std::string& error) {
    options.ports = args.values("port");
    options.allAdapters = set.manyPorts && args.isSet("all");
    if (options.port().empty() && !options.allAdapters) {
        error = std::string("--port is required (a device path such as /dev/ttyUSB0, or COMn)") +
                (set.manyPorts ? ", or --all" : "");
        return false;
    }
    if (!set.manyPorts && options.ports.size() > 1) {
        error = "--port is given " + std::to_string(options.ports.size()) +
                " times; this command talks to one transceiver";
        return false;
    }
    return readLineOptionTexts(args.value("baud"), args.value("timeout-ms"), options.speedIndex,
                               options.timeout, error);
}

}  // namespace

bool readLinkOptions(const CommandParser& args, const LinkOptionSet& set, LinkOptions& options,
                     std::string& error) {
    if (!readLineOptions(args, set, options, error)) {
        return false;
    }
    if (set.mode) {
        const auto mode = args.value("mode");
        const auto value = mode ? wholeNumber(*mode) : std::optional<long long>(2);
        if (!value || *value < 0 || *value > 2) {
            error = "--mode must be 0, 1 or 2, not '" + mode.value_or("") + "'";
            return false;
        }
        options.mode = static_cast<int>(*value);
    }
    options.logPath = args.value("log");
    if (set.manyPorts) {
        options.recordPath = args.value("record");
        options.units = args.values("unit");
    }
    if (set.image) {
        options.imagePath = args.value("image");
        options.lenient = args.isSet("lenient");
    }
    if (set.accessWord) {
        options.pinNumberText = args.value("access-word").value_or("");
    }
    if (set.pin) {
        options.pinNumberText = args.value("pin").value_or("");
        const auto function = args.value("function").value_or("read");
        const auto index = pinFunctionIndex(function);
        if (!index) {
            error = "--function must be low, high, input or read, not '" + function + "'";
            return false;
        }
        options.pinFunction = *index;
    }
    return true;
}

}  // namespace rkt5::cli
