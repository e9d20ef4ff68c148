#include "sim/CommandLine.h"

#include <QCommandLineParser>
#include <QStringList>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string_view>

#include "common/WholeNumber.h"
#include "sim/FaultText.h"

namespace rkt5::sim {

namespace {

[[noreturn]] void bad(const std::string& why) {
    throw std::invalid_argument(why);
}

long long numberIn(const std::string& option, const std::string& text, long long least,
                   long long most) {
    const std::optional<long long> value = wholeNumber(text);
    if (!value || *value < least || *value > most) {
        bad(option + " needs a whole number from " + std::to_string(least) + " to " +
            std::to_string(most) + ", not \"" + text + "\"");
    }
    return *value;
}

double rate(const std::string& option, const std::string& text) {
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || end != text.c_str() + text.size() || !(value >= 0.0 && value <= 1.0)) {
        bad(option + " needs a probability from 0 to 1, not \"" + text + "\"");
    }
    return value;
}

constexpr int kMostUnits = 64;

// --fault [UNIT/]FAULT. A slash after the first colon belongs to the fault (a reply text).
void addFault(CommandLine& line, const std::string& value) {
    const auto slash = value.find('/');
    if (slash == std::string::npos || slash > value.find(':')) {
        line.options.faults.push_back(parseFault(value));
        return;
    }
    const auto unit =
        numberIn("the unit of --fault " + value, value.substr(0, slash), 1, kMostUnits);
    line.aimedFaults.push_back({static_cast<int>(unit), parseFault(value.substr(slash + 1))});
}

std::chrono::milliseconds milliseconds(const std::string& option, const std::string& text,
                                       long long most) {
    return std::chrono::milliseconds(numberIn(option, text, 0, most));
}

// One option: its name, the name of its value (none for a flag), its help line, and what each
// value given does to the command line. Values are applied in the order given, checked each.
struct OptionRule {
    std::string_view name;
    std::string_view valueName;
    std::string_view description;
    void (*apply)(CommandLine& line, const std::string& option, const std::string& value);
};

constexpr OptionRule kOptions[] = {
    {"count", "N", "serve N transceivers at once, each on its own port (1 to 64, default 1)",
     [](CommandLine& l, const std::string& o, const std::string& v) {
         l.count = static_cast<int>(numberIn(o, v, 1, kMostUnits));
     }},
    {"link", "PATH", "keep a symbolic link at PATH pointing to the port",
     [](CommandLine& l, const std::string&, const std::string& v) { l.options.linkPath = v; }},
    {"region", "eg|other", "answer the model check with OK (eg, default) or RE (other)",
     [](CommandLine& l, const std::string&, const std::string& v) {
         if (v != "eg" && v != "other") {
             bad("--region must be eg or other, not \"" + v + "\"");
         }
         l.options.regionOther = v == "other";
     }},
    {"baud", "N", "pace output at N bit/s instead of the speed the client set",
     [](CommandLine& l, const std::string& o, const std::string& v) {
         l.options.baud = static_cast<int>(numberIn(o, v, 50, 4'000'000));
     }},
    {"no-pace", "", "write at once instead of at the line rate",
     [](CommandLine& l, const std::string&, const std::string&) { l.options.pace = false; }},
    {"program-ms", "N", "time each programmed block or row takes (default 0)",
     [](CommandLine& l, const std::string& o, const std::string& v) {
         l.options.programTime = milliseconds(o, v, 600'000);
     }},
    {"latency-ms", "N",
     "hold output back as a USB adapter's latency timer does: up to 62 bytes go out together, "
     "N ms after the first (default 0)",
     [](CommandLine& l, const std::string& o, const std::string& v) {
         l.options.adapterLatency = milliseconds(o, v, 1000);
     }},
    {"flash-in", "FILE", "start from this 262,144-byte flash image (default: erased)",
     [](CommandLine& l, const std::string&, const std::string& v) { l.flashInPath = v; }},
    {"flash-out", "FILE", "write the flash to FILE whenever flash mode is left",
     [](CommandLine& l, const std::string&, const std::string& v) { l.options.flashOutPath = v; }},
    {"message-log", "FILE",
     "write each message received to FILE as it arrives: its kind, the line speed and its bytes "
     "in hex, one line each",
     [](CommandLine& l, const std::string&, const std::string& v) {
         l.options.messageLogPath = v;
     }},
    {"fault", "FAULT", "inject a fault, repeatable (FAULT is described below)",
     [](CommandLine& l, const std::string&, const std::string& v) { addFault(l, v); }},
    {"random-faults", "RATE", "hit each message with a random fault with probability RATE",
     [](CommandLine& l, const std::string& o, const std::string& v) {
         l.options.randomFaultRate = rate(o, v);
     }},
    {"seed", "N", "seed of the random faults (repeatable runs; default 1)",
     [](CommandLine& l, const std::string& o, const std::string& v) {
         l.options.seed = static_cast<std::uint32_t>(numberIn(o, v, 0, 4294967295LL));
     }},
    {"random-late-ms", "N", "how late a randomly late answer comes (default 6000)",
     [](CommandLine& l, const std::string& o, const std::string& v) {
         l.options.randomLateDelay = milliseconds(o, v, 600'000);
     }},
};

QString qt(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

void defineOptions(QCommandLineParser& parser) {
    parser.addHelpOption();
    parser.addVersionOption();
    for (const OptionRule& rule : kOptions) {
        parser.addOption({qt(rule.name), qt(rule.description), qt(rule.valueName)});
    }
}

void applyOptions(const QCommandLineParser& parser, CommandLine& line) {
    for (const OptionRule& rule : kOptions) {
        const QString name = qt(rule.name);
        const QStringList values =
            rule.valueName.empty() && parser.isSet(name) ? QStringList{""} : parser.values(name);
        for (const QString& value : values) {
            rule.apply(line, "--" + std::string(rule.name), value.toLocal8Bit().toStdString());
        }
    }
    if (parser.isSet("seed") && line.options.randomFaultRate == 0.0) {
        bad("--seed only matters with --random-faults");
    }
    for (const AimedFault& aimed : line.aimedFaults) {
        if (aimed.unit > line.count) {
            bad("--fault aimed at unit " + std::to_string(aimed.unit) + ", but --count is " +
                std::to_string(line.count));
        }
    }
}

std::string unitPath(const std::string& path, int unit) {
    if (path.empty()) {
        return path;
    }
    std::filesystem::path named(path);
    const std::string suffix = "-" + std::to_string(unit);
    named.replace_filename(named.stem().string() + suffix + named.extension().string());
    return named.string();
}

}  // namespace

CommandLine parseCommandLine(const std::vector<std::string>& arguments) {
    QCommandLineParser parser;
    defineOptions(parser);
    QStringList args{"rkt5-sim"};
    for (const std::string& argument : arguments) {
        args.append(QString::fromLocal8Bit(argument));
    }
    if (!parser.parse(args)) {
        bad(parser.errorText().toStdString());
    }
    CommandLine line;
    // --help-all would add Qt's own options, of which the simulator takes none.
    line.help = parser.isSet("help") || parser.isSet("help-all");
    line.version = parser.isSet("version");
    if (line.help || line.version) {
        return line;
    }
    if (const QStringList extra = parser.positionalArguments(); !extra.isEmpty()) {
        bad("unexpected argument \"" + extra.first().toStdString() + "\"");
    }
    applyOptions(parser, line);
    return line;
}

SimulatorOptions unitOptions(const CommandLine& line, int unit) {
    SimulatorOptions options = line.options;
    for (const AimedFault& aimed : line.aimedFaults) {
        if (aimed.unit == unit) {
            options.faults.push_back(aimed.fault);
        }
    }
    options.seed += static_cast<std::uint32_t>(unit - 1);  // wraps past 2^32 - 1, harmlessly
    if (line.count > 1) {
        options.linkPath = unitPath(options.linkPath, unit);
        options.flashOutPath = unitPath(options.flashOutPath, unit);
        options.messageLogPath = unitPath(options.messageLogPath, unit);
    }
    return options;
}

std::string usageText() {
    QCommandLineParser parser;
    defineOptions(parser);
    // Qt's usage line cannot name the program without a running application; ours does.
    const std::string options = parser.helpText().toStdString();
    return R"(Usage: rkt5-sim [OPTIONS]

A simulated RK-T5 transceiver on a pseudo-terminal. Prints the port path on the first line
of output (and again on a new line whenever a hang-up fault moves the port), then serves one
client after another until interrupted (SIGINT or SIGTERM).

With --count N, N independent transceivers (units 1 to N, each with its own port, flash, mode
and fault counts) are served at once. The first N lines are their ports, unit 1 first; a
hang-up that moves a unit's port prints its number and the new path, e.g. "2 /dev/pts/9".
Unit 2's link and flash-out file get "-2" before the extension (/tmp/rk-2, flash-2.bin).
The other options apply to every unit; --random-faults draws with seed + UNIT - 1 on each, so
the units do not fail in step.
)" + options.substr(options.find('\n') + 1) +
           R"(
FAULT is [UNIT/]KIND:K:ACTION[=ARG]
  UNIT   only unit UNIT (1 to --count) gets the fault; it wins over a fault for every unit
  KIND   model connect0 connect1 connect2 pin BE PG ED erase end row ok ng unknown
  K      the k-th message of the kind (from 1) or * for all
  ACTION reply=TEXT  silent  drop-echo[=N]  corrupt-echo[=I]  corrupt-reply[=I]
         partial=N  hangup=N  late=MS
  e.g. PG:3:reply=NG  BE:1:silent  ED:2:late=6000  PG:5:hangup=300  2/model:*:reply=RE

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
