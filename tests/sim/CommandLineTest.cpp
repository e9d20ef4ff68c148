#include <gtest/gtest.h>

#include "sim/CommandLine.h"
#include "sim/FaultText.h"

namespace rkt5::sim {
namespace {

using namespace std::chrono_literals;
using Action = Fault::Action;

struct GoodFault {
    const char* text;
    MessageKind kind;
    int occurrence;
    Action action;
    int count;
    std::chrono::milliseconds delay;
    const char* reply;
};

class FaultText : public ::testing::TestWithParam<GoodFault> {};

TEST_P(FaultText, ParsesAndIsWrittenBackAsItReads) {
    const GoodFault& c = GetParam();
    const Fault parsed = parseFault(c.text);
    for (const Fault& f : {parsed, parseFault(faultText(parsed))}) {
        EXPECT_EQ(f.kind, c.kind);
        EXPECT_EQ(f.occurrence, c.occurrence);
        EXPECT_EQ(f.action, c.action);
        EXPECT_EQ(f.count, c.count);
        EXPECT_EQ(f.delay, c.delay);
        EXPECT_EQ(f.reply, c.reply);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Examples, FaultText,
    ::testing::Values(
        GoodFault{"PG:3:reply=NG", MessageKind::Program, 3, Action::Reply, 0, 0ms, "NG"},
        GoodFault{"pg:*:reply=NG", MessageKind::Program, 0, Action::Reply, 0, 0ms, "NG"},
        GoodFault{"BE:1:silent", MessageKind::EraseBlocks, 1, Action::Silent, 0, 0ms, ""},
        GoodFault{"ED:2:late=6000", MessageKind::End, 2, Action::Late, 0, 6000ms, ""},
        GoodFault{"PG:5:hangup=300", MessageKind::Program, 5, Action::HangUp, 300, 0ms, ""},
        GoodFault{"model:1:partial=3", MessageKind::ModelCheck, 1, Action::PartialReply, 3, 0ms,
                  ""},
        GoodFault{"row:4:corrupt-echo", MessageKind::RowFrame, 4, Action::CorruptEcho, 0, 0ms, ""},
        GoodFault{"ok:2:corrupt-reply=1", MessageKind::OkFrame, 2, Action::CorruptReply, 1, 0ms,
                  ""},
        GoodFault{"connect2:1:drop-echo", MessageKind::ConnectMode2, 1, Action::DropEcho, 1, 0ms,
                  ""},
        GoodFault{"pin:1:reply=\\r\\nOK\\x0D\\n", MessageKind::PortCommand, 1, Action::Reply, 0,
                  0ms, "\r\nOK\r\n"},
        GoodFault{"model:*:reply=\\\\\\x01\\xff \\\"~", MessageKind::ModelCheck, 0, Action::Reply,
                  0, 0ms, "\\\x01\xff \"~"}));

class BadFaultText : public ::testing::TestWithParam<std::pair<const char*, const char*>> {};

TEST_P(BadFaultText, IsRefusedWithAReason) {
    try {
        parseFault(GetParam().first);
        FAIL() << "accepted " << GetParam().first;
    } catch (const std::invalid_argument& e) {
        EXPECT_NE(std::string(e.what()).find(GetParam().second), std::string::npos) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(Examples, BadFaultText,
                         ::testing::Values(std::pair{"PG:3", "KIND:K:ACTION"},
                                           std::pair{"XX:1:silent", "unknown kind"},
                                           std::pair{"PG:0:silent", "counts from 1"},
                                           std::pair{"PG:x:silent", "K must be"},
                                           std::pair{"PG:1:explode", "unknown action"},
                                           std::pair{"PG:1:late", "late needs =N"},
                                           std::pair{"PG:1:late=-5", "whole number"},
                                           std::pair{"PG:1:reply=", "needs a text"},
                                           std::pair{"PG:1:reply=\\x4", "two hex digits"},
                                           std::pair{"PG:1:silent=3", "unknown action"}));

TEST(CommandLine, ReadsEveryOption) {
    const CommandLine line = parseCommandLine({"--region",        "other",
                                               "--baud=9600",     "--no-pace",
                                               "--program-ms",    "20",
                                               "--flash-in",      "in.bin",
                                               "--flash-out",     "out.bin",
                                               "--link",          "/tmp/rk",
                                               "--fault",         "PG:3:reply=NG",
                                               "--fault",         "BE:1:silent",
                                               "--random-faults", "0.25",
                                               "--seed",          "42",
                                               "--latency-ms",    "16",
                                               "--count",         "3",
                                               "--fault",         "3/ED:1:silent",
                                               "--fault",         "ED:1:reply=a/b"});
    const SimulatorOptions& o = line.options;
    EXPECT_TRUE(o.regionOther);
    EXPECT_EQ(o.baud, 9600);
    EXPECT_FALSE(o.pace);
    EXPECT_EQ(o.programTime, 20ms);
    EXPECT_EQ(line.flashInPath, "in.bin");
    EXPECT_EQ(o.flashOutPath, "out.bin");
    EXPECT_EQ(o.linkPath, "/tmp/rk");
    ASSERT_EQ(o.faults.size(), 3u);
    EXPECT_EQ(o.faults[1].kind, MessageKind::EraseBlocks);
    EXPECT_EQ(o.faults[2].reply, "a/b");
    EXPECT_DOUBLE_EQ(o.randomFaultRate, 0.25);
    EXPECT_EQ(o.seed, 42u);
    EXPECT_EQ(o.adapterLatency, 16ms);
    EXPECT_FALSE(line.help);
    EXPECT_EQ(line.count, 3);
    const SimulatorOptions third = unitOptions(line, 3);
    ASSERT_EQ(third.faults.size(), 4u);
    EXPECT_EQ(third.faults[3].action, Action::Silent) << "the aimed fault comes last, and wins";
    EXPECT_EQ(unitOptions(line, 2).faults.size(), 3u);
    EXPECT_EQ(third.seed, 44u);
    EXPECT_EQ(third.linkPath, "/tmp/rk-3");
    EXPECT_EQ(third.flashOutPath, "out-3.bin");
    EXPECT_EQ(unitOptions(parseCommandLine({"--link", "/tmp/rk"}), 1).linkPath, "/tmp/rk");
}

TEST(CommandLine, HelpAndVersionStopBeforeTheValuesAreChecked) {
    for (const char* help : {"--help", "-h"}) {
        EXPECT_TRUE(parseCommandLine({"--baud", "0", help}).help) << help;
    }
    EXPECT_TRUE(parseCommandLine({"--version", "--seed", "3"}).version);
}

class BadCommandLine : public ::testing::TestWithParam<std::vector<std::string>> {};

TEST_P(BadCommandLine, IsRefused) {
    EXPECT_THROW(parseCommandLine(GetParam()), std::invalid_argument);
}

INSTANTIATE_TEST_SUITE_P(Examples, BadCommandLine,
                         ::testing::Values(std::vector<std::string>{"--bogus"},
                                           std::vector<std::string>{"--baud"},
                                           std::vector<std::string>{"--baud", "fast"},
                                           std::vector<std::string>{"--baud", "0"},
                                           std::vector<std::string>{"--region", "EU"},
                                           std::vector<std::string>{"--random-faults", "1.5"},
                                           std::vector<std::string>{"--seed", "3"},
                                           std::vector<std::string>{"--no-pace=1"},
                                           std::vector<std::string>{"--fault", "PG"},
                                           std::vector<std::string>{"extra"}));

// --count 1 unless given: unit 2 is out of range.
INSTANTIATE_TEST_SUITE_P(Units, BadCommandLine,
                         ::testing::Values(std::vector<std::string>{"--count", "0"},
                                           std::vector<std::string>{"--count", "65"},
                                           std::vector<std::string>{"--fault", "2/PG:1:silent"},
                                           std::vector<std::string>{"--fault", "0/PG:1:silent"},
                                           std::vector<std::string>{"--fault", "x/PG:1:silent"}));

}  // namespace
}  // namespace rkt5::sim
