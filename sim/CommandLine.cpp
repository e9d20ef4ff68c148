#include "sim/CommandLine.h"

#include <charconv>
#include <cstdlib>
#include <stdexcept>

#include "sim/FaultText.h"

namespace rkt5::sim {

namespace {

[[noreturn]] void bad(const std::string& why) {
    throw std::invalid_argument(why);
}

long long wholeNumber(const std::string& option, const std::string& text, long long least,
                      long long most) {
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size() || value < least ||
        value > most) {
        bad(option + " needs a whole number from " + std::to_string(least) + " to " +
            std::to_string(most) + ", not \"" + text + "\"");
    }
    return value;
}

double rate(const std::string& option, const std::string& text) {
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || end != text.c_str() + text.size() || !(value >= 0.0 && value <= 1.0)) {
        bad(option + " needs a probability from 0 to 1, not \"" + text + "\"");
    }
    return value;
}

}  // namespace

CommandLine parseCommandLine(const std::vector<std::string>& arguments) {
    CommandLine line;
    SimulatorOptions& o = line.options;
    bool seedGiven = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string option = arguments[i];
        std::string value;
        bool inlineValue = false;
        if (const auto equals = option.find('=');
            option.rfind("--", 0) == 0 && equals != std::string::npos) {
            value = option.substr(equals + 1);
            option = option.substr(0, equals);
            inlineValue = true;
        }
        auto next = [&]() -> std::string {
            if (inlineValue) {
                return value;
            }
            if (i + 1 >= arguments.size()) {
                bad(option + " needs a value");
            }
            return arguments[++i];
        };
        auto flag = [&] {
            if (inlineValue) {
                bad(option + " takes no value");
            }
        };

        if (option == "--help" || option == "-h") {
            flag();
            line.help = true;
        } else if (option == "--region") {
            const std::string region = next();
            if (region != "eg" && region != "other") {
                bad("--region must be eg or other, not \"" + region + "\"");
            }
            o.regionOther = region == "other";
        } else if (option == "--baud") {
            o.baud = static_cast<int>(wholeNumber(option, next(), 50, 4'000'000));
        } else if (option == "--no-pace") {
            flag();
            o.pace = false;
        } else if (option == "--program-ms") {
            o.programTime = std::chrono::milliseconds(wholeNumber(option, next(), 0, 600'000));
        } else if (option == "--latency-ms") {
            o.adapterLatency = std::chrono::milliseconds(wholeNumber(option, next(), 0, 1000));
        } else if (option == "--flash-in") {
            line.flashInPath = next();
        } else if (option == "--flash-out") {
            o.flashOutPath = next();
        } else if (option == "--link") {
            o.linkPath = next();
        } else if (option == "--fault") {
            o.faults.push_back(parseFault(next()));
        } else if (option == "--random-faults") {
            o.randomFaultRate = rate(option, next());
        } else if (option == "--seed") {
            o.seed = static_cast<std::uint32_t>(wholeNumber(option, next(), 0, 4294967295LL));
            seedGiven = true;
        } else if (option == "--random-late-ms") {
            o.randomLateDelay = std::chrono::milliseconds(wholeNumber(option, next(), 0, 600'000));
        } else {
            bad("unknown argument \"" + arguments[i] + "\"");
        }
    }
    if (seedGiven && o.randomFaultRate == 0.0) {
        bad("--seed only matters with --random-faults");
    }
    return line;
}

std::string usageText() {
    return R"(Usage: rkt5-sim [OPTIONS]

A simulated RK-T5 transceiver on a pseudo-terminal. Prints the port path on the first line
of output (and again on a new line whenever a hang-up fault moves the port), then serves one
client after another until interrupted (SIGINT or SIGTERM).

Options:
  --link PATH           keep a symbolic link at PATH pointing to the port
  --region eg|other     answer the model check with OK (eg, default) or RE (other)
  --baud N              pace output at N bit/s instead of the speed the client set
  --no-pace             write at once instead of at the line rate
  --program-ms N        time each programmed block or row takes (default 0)
  --latency-ms N        hold output back as a USB adapter's latency timer does: up to
                        62 bytes go out together, N ms after the first (default 0)
  --flash-in FILE       start from this 262,144-byte flash image (default: erased)
  --flash-out FILE      write the flash to FILE whenever flash mode is left
  --fault FAULT         inject a fault, repeatable; FAULT is KIND:K:ACTION[=ARG]
                          KIND   model connect0 connect1 connect2 pin BE PG ED
                                 erase end row ok ng unknown
                          K      the k-th message of the kind (from 1) or * for all
                          ACTION reply=TEXT  silent  drop-echo[=N]  corrupt-echo[=I]
                                 corrupt-reply[=I]  partial=N  hangup=N  late=MS
                        e.g. PG:3:reply=NG  BE:1:silent  ED:2:late=6000  PG:5:hangup=300
  --random-faults RATE  hit each message with a random fault with probability RATE
  --seed N              seed of the random faults (repeatable runs; default 1)
  --random-late-ms N    how late a randomly late answer comes (default 6000)
  --help                show this text

What it answers where the transceiver's own answer is not known:
  - an unknown text command, text of 64 bytes without a CR, a packet with a bad checksum or
    unknown letters, any packet outside flash mode: NG CR LF
  - an unknown 20-byte frame, an OK frame with no row frame before it, a row over flash that
    is not erased (on its OK frame): an NG frame; an NG frame: an OK frame, the row dropped
  - a BE list with an address that names no erase block: NG, nothing erased; a PG block
    not on a 1024-byte boundary or over flash that is not erased: NG, nothing written
  - ZR~P with a pin other than 00 to 31 or a function other than 0 to 3: CR LF NG CR LF;
    function 3 reads 00 (out low), 01 (out high), 02 (in low) or 03 (in high)
  - text commands are understood in every mode, and FF FE BE/PG/ED is a packet in every mode
  - a message that pauses is dropped: after 2 s, 0.2 s inside a frame, 10 s after the first
    half of a packet
  - when the last client closes the port, its unfinished message, answers still on their way
    and a row awaiting its OK frame are dropped; the mode stays, as each panel step opens
    the port anew
  - every byte is echoed as it arrives; with faults that take the echo (silent, drop-echo,
    corrupt-echo, --random-faults) it waits until the message is named: its fourth byte, or
    the CR of a text command

Exit status: 0 after an interrupt, 2 for a bad argument, 1 when no port can be opened.
)";
}

}  // namespace rkt5::sim
