// Every option of every rkt5-flash command changes what the command does. Each row runs a command
// against simulated transceivers twice, without the option and with it, and names what must come
// out differently; a row that shows no difference fails. An option that a command's help lists
// and that has no row here fails too, so that no option can be accepted and quietly dropped.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <regex>
#include <set>
#include <sstream>

#include "sim/PtyTransceiver.h"
#include "station/CsvText.h"
#include "tests/cli/FlashRun.h"

namespace rkt5 {
namespace {

using namespace std::chrono_literals;
using sim::MessageKind;

// What an option must change.
enum class Effect {
    Sent,        // the messages the transceiver received
    SecondUnit,  // the messages a second transceiver received
    Flash,       // the transceiver's flash after the run
    LineSpeed,   // the line speed the messages came at
    Files,       // the files the run left in its folder
    UnitLabels,  // the labels of the transceivers in the record the run left
    Output,      // the exit code or what was printed
    Waited,      // a shorter wait: a resend, or a failure where the command sends once
};

struct Row {
    std::string command;
    std::string base;    // the arguments of both runs; --port {port} is added unless `withoutPort`
    std::string option;  // what the second run adds
    Effect effect;
    std::optional<MessageKind> lateAnswer = {};  // the first answer of this kind comes 300 ms late
    bool connected = false;  // the transceiver is put into flash mode before each run
    bool withoutPort = false;
};

void PrintTo(const Row& row, std::ostream* out) {
    *out << row.command << " " << row.base << " + " << row.option;
}

// Every command that talks to a transceiver, the arguments it needs besides its port, the first
// message it sends, and whether it needs the transceiver in flash mode to succeed.
struct LinkCommand {
    std::string name;
    std::string base;
    MessageKind first;
    bool connected = false;
};

const LinkCommand kLinkCommands[] = {
    {"update", "--image {image}", MessageKind::ModelCheck},
    {"macro", "--image {image}", MessageKind::ConnectMode2},
    {"connect", "", MessageKind::ConnectMode2},
    {"erase", "", MessageKind::EraseBlocks, true},
    {"write", "--image {image}", MessageKind::Program, true},
    {"disconnect", "", MessageKind::End, true},
    {"pin", "--pin 12", MessageKind::PortCommand},
    {"check-model", "", MessageKind::ModelCheck},
};

bool talksToTheTransceiver(const std::string& command) {
    return std::ranges::find(kLinkCommands, command, &LinkCommand::name) != std::end(kLinkCommands);
}

std::vector<Row> optionRows() {
    std::vector<Row> rows;
    // What every command that talks to a transceiver accepts.
    for (const LinkCommand& c : kLinkCommands) {
        const auto row = [&c](std::string option, Effect effect) {
            return Row{c.name, c.base, std::move(option), effect, {}, c.connected};
        };
        rows.push_back(row("--port {port}", Effect::Sent));
        rows.back().withoutPort = true;
        rows.push_back(row("--baud 38400", Effect::LineSpeed));
        rows.push_back(row("--timeout-ms 100", Effect::Waited));
        rows.back().lateAnswer = c.first;
        rows.push_back(row("--log {dir}/exchanges.log", Effect::Files));
    }
    // What some of them add.
    const std::vector<Row> own = {
        {"update", "--image {image}", "--port {port2}", Effect::SecondUnit},
        // No transceiver is named: without --all the run stops at once; with it, it updates
        // whatever USB adapters the machine has, none on a test machine. On a developer's desk
        // the time-out is too short for a real transceiver to answer even the model check,
        // which changes nothing.
        {.command = "update",
         .base = "--timeout-ms 1",
         .option = "--all",
         .effect = Effect::Output,
         .withoutPort = true},
        {"update", "--image {image}", "--record {dir}/record.csv", Effect::Files},
        {"update", "--record {dir}/record.csv", "--unit SN-0001", Effect::UnitLabels},
        {"update", "", "--image {image}", Effect::Flash},
        {"update", "--image {lf}", "--lenient", Effect::Sent},
        {"update", "--image {image}", "--access-word LANTERN", Effect::Flash},
        {"macro", "--image {image}", "--mode 0", Effect::Sent},
        {"macro", "", "--image {image}", Effect::Flash},
        {"macro", "--image {lf}", "--lenient", Effect::Sent},
        {"macro", "--image {image}", "--access-word LANTERN", Effect::Flash},
        {"connect", "", "--mode 0", Effect::Sent},
        {"erase", "", "--mode 0", Effect::Sent},
        {"erase", "", "--access-word LANTERN", Effect::Sent},
        {"write", "--image {image}", "--mode 0", Effect::Sent},
        {"write", "", "--image {image}", Effect::Flash, {}, true},
        {"write", "--image {lf}", "--lenient", Effect::Sent},
        {"write", "--image {image}", "--access-word LANTERN", Effect::Flash, {}, true},
        {"disconnect", "", "--mode 0", Effect::Sent},
        {"pin", "", "--pin 12", Effect::Sent},
        {"pin", "--pin 12", "--function high", Effect::Sent},
        {.command = "dump-image",
         .base = "{dir}/out.bin",
         .option = "--image {image}",
         .effect = Effect::Files,
         .withoutPort = true},
        {.command = "checksum",
         .base = "",
         .option = "--image {image}",
         .effect = Effect::Output,
         .withoutPort = true},
        {.command = "ports",
         .base = "",
         .option = "--json",
         .effect = Effect::Output,
         .withoutPort = true},
    };
    rows.insert(rows.end(), own.begin(), own.end());
    return rows;
}

std::string optionName(const std::string& option) {
    return option.substr(2, option.find(' ') - 2);
}

// One run and all it left behind.
struct Observed {
    test::ProgramRun program;
    std::vector<sim::ReceivedMessage> sent;
    std::vector<sim::ReceivedMessage> sentToSecond;
    std::vector<std::uint8_t> flash;
    std::map<std::string, std::string> files;
};

// A block of data at the bottom of the flash and one in the top block, which only the access
// word lets the erase and the write reach.
constexpr std::string_view kSmallImage =
    "S2140C0000000102030405060708090A0B0C0D0E0F67\r\n"
    "S2140FF000000102030405060708090A0B0C0D0E0F74\r\n"
    "S804000000FB\r\n";
// Lines ended by LF alone: the check refuses the file, the window's reading takes it.
constexpr std::string_view kLfImage = "S2140C0000000102030405060708090A0B0C0D0E0F67\n";

class OptionEffect : public testing::TestWithParam<Row> {
  protected:
    std::string expand(std::string args) const {
        const std::pair<std::string, std::string> names[] = {
            {"{port}", dir.file("unit1")},
            {"{port2}", dir.file("unit2")},
            {"{dir}", work.string()},
            {"{image}", dir.write("small.mot", kSmallImage)},
            {"{lf}", dir.write("lf.mot", kLfImage)}};
        for (const auto& [name, value] : names) {
            for (std::size_t at; (at = args.find(name)) != std::string::npos;) {
                args.replace(at, name.size(), value);
            }
        }
        return args;
    }

    // Each run meets new transceivers behind the same paths and an empty folder, so that what
    // differs between two runs is what the option did.
    Observed observe(const Row& row, const std::string& args) {
        std::filesystem::remove_all(work);
        std::filesystem::create_directories(work);
        std::vector<sim::Fault> faults;
        if (row.lateAnswer) {
            faults.push_back({.kind = *row.lateAnswer,
                              .occurrence = 1,
                              .action = sim::Fault::Action::Late,
                              .delay = 300ms});
        }
        sim::PtyTransceiver first({.pace = false, .linkPath = dir.file("unit1"), .faults = faults});
        sim::PtyTransceiver second({.pace = false, .linkPath = dir.file("unit2")});
        Observed seen;
        if (row.connected) {
            test::runFlash(dir, "connect --port " + dir.file("unit1"));
            first.clearLog();
        }
        seen.program = test::runFlash(dir, row.command + " " + expand(args));
        seen.sent = first.receivedMessages();
        seen.sentToSecond = second.receivedMessages();
        seen.flash = first.flashMemory();
        for (const auto& entry : std::filesystem::directory_iterator(work)) {
            seen.files[entry.path().filename().string()] = test::readBytes(entry.path().string());
        }
        return seen;
    }

    test::TempDir dir;
    std::filesystem::path work = dir.path() / "work";
};

std::vector<std::pair<MessageKind, std::vector<std::uint8_t>>> messages(
    const std::vector<sim::ReceivedMessage>& received) {
    std::vector<std::pair<MessageKind, std::vector<std::uint8_t>>> list;
    for (const auto& message : received) {
        list.emplace_back(message.kind, message.bytes);
    }
    return list;
}

std::set<int> speeds(const std::vector<sim::ReceivedMessage>& received) {
    std::set<int> set;
    for (const auto& message : received) {
        set.insert(message.lineSpeed);
    }
    return set;
}

std::vector<std::string> unitLabels(const Observed& seen) {
    std::vector<std::string> labels;
    const auto record = seen.files.find("record.csv");
    if (record != seen.files.end()) {
        for (const auto& row : csvRows(record->second)) {
            labels.push_back(row.size() > 12 ? row[12] : "");
        }
    }
    return labels;
}

bool differ(Effect effect, const Observed& a, const Observed& b) {
    switch (effect) {
        case Effect::Sent:
            return messages(a.sent) != messages(b.sent);
        case Effect::SecondUnit:
            return messages(a.sentToSecond) != messages(b.sentToSecond);
        case Effect::Flash:
            return a.flash != b.flash;
        case Effect::LineSpeed:
            return speeds(a.sent) != speeds(b.sent);
        case Effect::Files:
            return a.files != b.files;
        case Effect::UnitLabels:
            return unitLabels(a) != unitLabels(b);
        case Effect::Output:
            return a.program.exitCode != b.program.exitCode || a.program.out != b.program.out ||
                   a.program.err != b.program.err;
        case Effect::Waited:
            return differ(Effect::Sent, a, b) || differ(Effect::Output, a, b);
    }
    return false;
}

TEST_P(OptionEffect, MakesItsDifference) {
    const Row& row = GetParam();
    std::string base = row.base + (row.withoutPort ? "" : " --port {port}");
    // Answers that do not come cost a short wait, except where the wait is what the row is about.
    if (talksToTheTransceiver(row.command) && !row.option.starts_with("--timeout-ms") &&
        !row.base.starts_with("--timeout-ms")) {
        base += " --timeout-ms 300";
    }
    const Observed without = observe(row, base);
    const Observed with = observe(row, base + " " + row.option);
    EXPECT_TRUE(differ(row.effect, without, with))
        << "rkt5-flash " << row.command << " " << row.option << " changed nothing it should.\n"
        << "without: exit " << without.program.exitCode << ", " << without.program.out
        << without.program.err << "\nwith: exit " << with.program.exitCode << ", "
        << with.program.out << with.program.err;
}

std::string rowName(const testing::TestParamInfo<Row>& info) {
    std::string name =
        info.param.command + "_" + optionName(info.param.option) + "_" + std::to_string(info.index);
    std::ranges::replace(name, '-', '_');
    return name;
}

INSTANTIATE_TEST_SUITE_P(EveryOption, OptionEffect, testing::ValuesIn(optionRows()), rowName);

// The commands the program lists, and the options each one's help lists.
std::set<std::pair<std::string, std::string>> listedOptions() {
    test::TempDir dir;
    std::set<std::pair<std::string, std::string>> listed;
    std::istringstream overview(test::runFlash(dir, "--help").out);
    const std::regex commandLine("^  ([a-z-]+) +\\S.*");
    const std::regex optionLine("^  (?:-\\w, )?--([a-z-]+).*");
    for (std::string line; std::getline(overview, line) && line != "commands:";) {
    }
    for (std::string line; std::getline(overview, line) && !line.empty();) {
        std::smatch command;
        if (!std::regex_match(line, command, commandLine)) {
            continue;
        }
        std::istringstream help(test::runFlash(dir, command[1].str() + " --help").out);
        for (std::string option; std::getline(help, option);) {
            std::smatch name;
            if (std::regex_match(option, name, optionLine) && !name[1].str().starts_with("help")) {
                listed.emplace(command[1], name[1]);
            }
        }
    }
    return listed;
}

TEST(OptionEffectTable, HasARowForEveryOptionOfEveryCommand) {
    std::set<std::pair<std::string, std::string>> covered;
    for (const Row& row : optionRows()) {
        covered.emplace(row.command, optionName(row.option));
    }
    const auto listed = listedOptions();
    EXPECT_GE(listed.size(), 40u) << "the help could not be read";
    for (const auto& [command, option] : listed) {
        EXPECT_TRUE(covered.contains({command, option}))
            << "rkt5-flash " << command << " --" << option << " has no row";
    }
}

}  // namespace
}  // namespace rkt5
