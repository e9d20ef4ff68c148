// rkt5-flash's command line up to the point where a port would open: a command's parser with the
// options of a protocol command, the link options read from it, and the port and speed they choose.
// The first byte picks the options and positional arguments; the rest are the arguments, split
// at NUL bytes.

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/CommandParser.h"
#include "cli/protocol/LinkOptions.h"
#include "common/RunTimeError.h"
#include "fuzz/FuzzCheck.h"
#include "link/ChosenLine.h"
#include "link/SpeedOptions.h"
#include "serial/PortNames.h"

using namespace rkt5;
using fuzz::require;

namespace {

std::vector<std::string_view> splitAtNul(std::string_view text) {
    std::vector<std::string_view> args;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = std::min(text.find('\0', start), text.size());
        args.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return args;
}

// The options `set` gives a command, and whether each takes a value.
std::vector<std::pair<std::string_view, bool>> optionsOf(const cli::LinkOptionSet& set) {
    std::vector<std::pair<std::string_view, bool>> options{
        {"port", true}, {"baud", true}, {"timeout-ms", true}, {"log", true}};
    if (set.mode) {
        options.push_back({"mode", true});
    }
    if (set.image) {
        options.insert(options.end(), {{"image", true}, {"lenient", false}});
    }
    if (set.accessWord) {
        options.push_back({"access-word", true});
    }
    if (set.pin) {
        options.insert(options.end(), {{"pin", true}, {"function", true}});
    }
    return options;
}

void checkParsed(const cli::CommandParser& args, const cli::LinkOptionSet& set,
                 std::size_t positionalNames, std::size_t minPositional) {
    require(
        args.positional().size() >= minPositional && args.positional().size() <= positionalNames,
        "the positional arguments are as many as the command takes");
    for (const auto& [name, takesValue] : optionsOf(set)) {
        const auto value = args.value(name);
        require(args.isSet(name) == value.has_value(), "an option given has a value");
        require(takesValue || !value || value->empty(), "a flag carries no value");
    }
}

// What the parser wrote when it stopped the command: help on out, or a usage error on err.
void checkStopped(int exitCode, const std::string& out, const std::string& err) {
    if (exitCode == cli::kExitOk) {
        require(out.starts_with("usage: fuzz") && err.empty(), "help goes to standard output");
        return;
    }
    require(exitCode == cli::kExitUsage, "a refused command line is a usage error");
    require(err.starts_with("rkt5-flash fuzz: ") && err.find("\nusage: fuzz") != std::string::npos,
            "a refused command line says why, then how it is used");
    require(out.empty(), "a refused command line prints nothing on standard output");
}

// --baud takes only the speeds of the option buttons, written as whole numbers.
bool isOfferedBaud(const std::string& text, int speedIndex) {
    long long baud = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), baud);
    return error == std::errc{} && end == text.data() + text.size() &&
           baud == SpeedOptions::kBaud[static_cast<std::size_t>(speedIndex)];
}

void checkLinkOptions(const cli::CommandParser& args, const cli::LinkOptions& options) {
    require(!options.port().empty() && args.value("port") == options.port(),
            "the port is the one given");
    require(options.speedIndex >= 0 && options.speedIndex < SpeedOptions::kCount,
            "the speed is one of the options");
    if (const auto baud = args.value("baud")) {
        require(isOfferedBaud(*baud, options.speedIndex), "--baud is read as written");
    }
    require(options.timeout.count() >= 1 && options.timeout.count() <= 600000,
            "the time-out lies in its range");
    require(options.mode >= 0 && options.mode <= 2, "the mode is 0, 1 or 2");
    require(options.pinFunction >= 0 && options.pinFunction <= 3, "the pin function is 0 to 3");
}

// What the command does with the options before it opens the port.
void choosePort(const cli::LinkOptions& options) {
    ChosenLine choice;
    choice.speeds.select(options.speedIndex);
    PortNames names;
    try {
        choice.chosenPort = names.identifyArgument(options.port());
    } catch (const RunTimeError& error) {
        require(error.number() == ErrorNumber::ValueOutOfRange, "a bad port is a bad value");
        return;
    }
    const PortIdentity port = choice.port();
    require(port.number >= PortNames::kFirstNumber && port.number <= PortNames::kLastNumber,
            "the port has a number of the menu");
    require(PortNames::parseComName(options.port()) || port.device == options.port(),
            "a device path stands for its number");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::uint8_t shape = data[0];
    const cli::LinkOptionSet set{(shape & 1) != 0, (shape & 2) != 0, (shape & 4) != 0,
                                 (shape & 8) != 0};
    static constexpr std::string_view kPositionalNames[] = {"FIRST", "SECOND"};
    const std::size_t positionalNames = std::min<std::size_t>(shape >> 4 & 3, 2);
    const std::size_t minPositional = (shape & 0x40) != 0 ? positionalNames : 0;

    const std::vector<std::string_view> argv =
        splitAtNul({reinterpret_cast<const char*>(data) + 1, size - 1});
    cli::CommandParser args("fuzz", "usage: fuzz [options]\n");
    cli::addLinkOptions(args, set);
    for (std::size_t i = 0; i < positionalNames; ++i) {
        args.addPositional(kPositionalNames[i], "", i < minPositional);
    }
    std::ostringstream out;
    std::ostringstream err;
    if (const auto exitCode = args.parse(argv, {out, err})) {
        checkStopped(*exitCode, out.str(), err.str());
        return 0;
    }
    require(out.str().empty() && err.str().empty(), "a command line that runs prints nothing");
    checkParsed(args, set, positionalNames, minPositional);
    cli::LinkOptions linkOptions;
    std::string error;
    if (!cli::readLinkOptions(args, set, linkOptions, error)) {
        require(!error.empty(), "refused options say why");
        return 0;
    }
    require(error.empty(), "accepted options leave no error");
    checkLinkOptions(args, linkOptions);
    choosePort(linkOptions);
    return 0;
}
