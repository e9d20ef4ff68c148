// rkt5-flash's command line up to the point where a port would open: the parser with the options
// of a protocol command, the link options read from it, and the port and speed they choose.
// The first byte picks the options and positional arguments; the rest are the arguments, split
// at NUL bytes.

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "cli/ArgParser.h"
#include "cli/protocol/LinkOptions.h"
#include "common/RunTimeError.h"
#include "fuzz/FuzzCheck.h"
#include "link/MenuLineChoice.h"
#include "link/PortNames.h"
#include "link/SpeedOptions.h"

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

void checkParsed(const cli::ArgParser& args, const std::vector<cli::ArgParser::Option>& options,
                 std::size_t positionalNames, std::size_t minPositional) {
    if (args.helpRequested()) {
        return;
    }
    require(
        args.positional().size() >= minPositional && args.positional().size() <= positionalNames,
        "the positional arguments are as many as the command takes");
    for (const cli::ArgParser::Option& option : options) {
        const auto value = args.value(option.name);
        require(args.has(option.name) == value.has_value(), "an option given has a value");
        require(option.takesValue || !value || value->empty(), "a flag carries no value");
    }
}

// --baud takes only the speeds of the option buttons, written as whole numbers.
bool isOfferedBaud(const std::string& text, int speedIndex) {
    long long baud = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), baud);
    return error == std::errc{} && end == text.data() + text.size() &&
           baud == SpeedOptions::kBaud[static_cast<std::size_t>(speedIndex)];
}

void checkLinkOptions(const cli::ArgParser& args, const cli::LinkOptions& options) {
    require(!options.port.empty() && args.value("--port") == options.port,
            "the port is the one given");
    require(options.speedIndex >= 0 && options.speedIndex < SpeedOptions::kCount,
            "the speed is one of the options");
    if (const auto baud = args.value("--baud")) {
        require(isOfferedBaud(*baud, options.speedIndex), "--baud is read as written");
    }
    require(options.timeout.count() >= 1 && options.timeout.count() <= 600000,
            "the time-out lies in its range");
    require(options.mode >= 0 && options.mode <= 2, "the mode is 0, 1 or 2");
    require(options.pinFunction >= 0 && options.pinFunction <= 3, "the pin function is 0 to 3");
}

// What the command does with the options before it opens the port.
void choosePort(const cli::LinkOptions& options) {
    MenuLineChoice choice;
    choice.speeds.select(options.speedIndex);
    PortNames names;
    int number = 0;
    try {
        number = names.useArgument(options.port);
    } catch (const RunTimeError& error) {
        require(error.number() == ErrorNumber::ValueOutOfRange, "a bad port is a bad value");
        return;
    }
    require(number >= PortNames::kFirstNumber && number <= PortNames::kLastNumber,
            "the port has a number of the menu");
    choice.menu.mnuCom_Click(number);
    require(choice.GetCOM() == number, "the menu chooses the port's number");
    require(PortNames::parseComName(options.port) || names.deviceFor(number) == options.port,
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
    const std::vector<cli::ArgParser::Option> options = cli::linkParserOptions(set);
    cli::ArgParser args(options, {kPositionalNames, kPositionalNames + positionalNames},
                        minPositional);
    if (!args.parse(argv)) {
        require(!args.error().empty(), "a refused command line says why");
        return 0;
    }
    checkParsed(args, options, positionalNames, minPositional);
    if (args.helpRequested()) {
        return 0;
    }
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
