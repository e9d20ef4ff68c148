#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "cli/CommandParser.h"

namespace rkt5::cli {

// The options every protocol command shares, and those some of them add.
struct LinkOptions {
    std::vector<std::string> ports;         // every --port (device path or "COMn"), in order
    bool allAdapters = false;               // --all: every USB serial adapter as well
    std::optional<std::string> recordPath;  // --record: a CSV row per transceiver
    std::vector<std::string> units;         // every --unit: LABEL, or PORT=LABEL
    int speedIndex = 2;                     // the speed option: 0 9600, 1 38400, 2 57600
    std::chrono::milliseconds timeout{5000};
    std::optional<std::string> logPath;    // --log: every exchange written to this file
    std::optional<std::string> imagePath;  // --image
    bool lenient = false;                  // --lenient: load the image as the window does
    std::string pinNumberText;             // --access-word, or --pin for the pin command
    int mode = 2;                          // --mode
    int pinFunction = 3;                   // --function, as the pin-function button index

    // The port of a command that takes one; empty with --all alone.
    std::string port() const { return ports.empty() ? std::string() : ports.front(); }
};

// What a command accepts beyond --port, --baud and --timeout-ms.
struct LinkOptionSet {
    bool mode = false;
    bool image = false;
    bool accessWord = false;
    bool pin = false;
    bool manyPorts = false;  // --port repeated, --all and --record: the update of a station
};

// Gives the parser --port, --baud, --timeout-ms and --log, and what `set` adds.
void addLinkOptions(CommandParser& parser, const LinkOptionSet& set);

// Reads the parsed options; false with `error` naming the option whose value is wrong.
bool readLinkOptions(const CommandParser& args, const LinkOptionSet& set, LinkOptions& options,
                     std::string& error);

}  // namespace rkt5::cli
