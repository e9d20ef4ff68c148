// rkt5-flash's transceiver commands, run as the real program against the simulated transceiver:
// what they print, how they exit, and what reached the transceiver.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

#include "firmware/FirmwareLines.h"
#include "image/StartupImage.h"
#include "sim/PtyTransceiver.h"
#include "tests/cli/FlashRun.h"

namespace rkt5 {
namespace {

using sim::Fault;
using sim::MessageKind;

class FlashProtocolCommands : public testing::Test {
  protected:
    void start(sim::SimulatorOptions options = {}) {
        options.pace = false;
        transceiver = std::make_unique<sim::PtyTransceiver>(std::move(options));
    }
    test::ProgramRun run(const std::string& args) {
        return test::runFlash(dir,
                              args + " --port " + transceiver->portPath() + " --timeout-ms 300");
    }
    std::size_t count(MessageKind kind) const {
        std::size_t n = 0;
        for (const auto& message : transceiver->receivedMessages()) {
            n += message.kind == kind;
        }
        return n;
    }

    test::TempDir dir;
    std::unique_ptr<sim::PtyTransceiver> transceiver;
};

TEST_F(FlashProtocolCommands, UpdateWritesTheImageAndPrintsCompleted) {
    start();
    const test::ProgramRun result = run("update");
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "Completed.\n");
    EXPECT_EQ(result.err, "") << "no progress line when standard error is no terminal";

    auto image = std::make_unique<FlashImage>();
    auto table = std::make_unique<FirmwareTable>();
    buildStartupImage(*image, *table);
    const auto flash = transceiver->flashMemory();
    for (std::size_t offset = 0; offset < 0xFF000 - 0xC0000; ++offset) {
        ASSERT_EQ(flash[offset], image->cells()[offset] & 0xFF) << "at offset " << offset;
    }
}

TEST_F(FlashProtocolCommands, UpdateWritesTheTopBlockOnlyWithTheAccessWordExactly) {
    auto image = std::make_unique<FlashImage>();
    auto table = std::make_unique<FirmwareTable>();
    buildStartupImage(*image, *table);
    std::vector<std::uint8_t> whole(image->cells(), image->cells() + FlashImage::kCells);

    start();
    EXPECT_EQ(run("update --access-word LANTERN").out, "Completed.\n");
    EXPECT_EQ(count(MessageKind::Program), 251u);
    EXPECT_TRUE(transceiver->flashMemory() == whole) << "the top block differs from the image";

    transceiver.reset();
    start();
    EXPECT_EQ(run("update --access-word lantern").out, "Completed.\n");
    EXPECT_EQ(count(MessageKind::Program), 247u);
}

TEST_F(FlashProtocolCommands, OptionsWithoutACommandRunTheUpdate) {
    start();
    const test::ProgramRun result = run("--baud 38400");
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "Completed.\n");
    EXPECT_EQ(count(MessageKind::End), 1u);
}

TEST_F(FlashProtocolCommands, FailuresPrintTheMessageOfTheFailingStep) {
    start({.faults = {
               {.kind = MessageKind::Program, .action = Fault::Action::Reply, .reply = "NG"}}});
    const test::ProgramRun write = run("update");
    EXPECT_EQ(write.exitCode, 1);
    EXPECT_EQ(write.out, "Write failed.\n");
    EXPECT_EQ(write.err, "rkt5-flash: block C0000 (\"PG\"), 10 sends: answered \"NG\\r\\n\"\n");
    EXPECT_EQ(count(MessageKind::End), 0u);

    transceiver.reset();
    start({.regionOther = true});
    const test::ProgramRun region = run("check-model");
    EXPECT_EQ(region.exitCode, 1);
    EXPECT_EQ(region.out, "status 13\nRegion error\n");
}

TEST_F(FlashProtocolCommands, StepsAndThePinCommandPrintWhatTheirButtonsShow) {
    start();
    EXPECT_EQ(run("connect --mode 0").out, "Connected.\n");
    EXPECT_EQ(run("disconnect --mode 0").out, "Disconnected\n");  // mode 0's own text
    EXPECT_EQ(run("pin --pin 12 --function high").out, "OK\n");
    EXPECT_EQ(run("pin --pin 12").out, "H出力\n");
    EXPECT_EQ(count(MessageKind::PortCommand), 2u);
}

TEST_F(FlashProtocolCommands, UsageErrorsNameTheArgumentAndSendNothing) {
    start();
    struct Case {
        std::string args;
        std::string named;
    };
    const std::string port = " --port " + transceiver->portPath();
    for (const Case& c :
         {Case{"connect --mode 3", "--mode"}, Case{"update --baud 1200", "--baud"},
          Case{"update --baud 4294976896", "--baud"},  // 2^32 + 9600
          Case{"update --timeout-ms soon", "--timeout-ms"},
          Case{"update --timeout-ms 0", "--timeout-ms"},
          Case{"pin --function sideways", "--function"}, Case{"update --colour red", "colour"}}) {
        const test::ProgramRun result = test::runFlash(dir, c.args + port);
        EXPECT_EQ(result.exitCode, 2) << c.args;
        EXPECT_NE(result.err.find(c.named), std::string::npos) << c.args << ": " << result.err;
    }
    const test::ProgramRun noPort = test::runFlash(dir, "update");
    EXPECT_EQ(noPort.exitCode, 2);
    EXPECT_NE(noPort.err.find("--port"), std::string::npos);
    EXPECT_TRUE(transceiver->receivedMessages().empty());
}

TEST_F(FlashProtocolCommands, PortThatCannotOpenIsReportedWithItsReasonAndTheStepsMessage) {
    const test::ProgramRun result = test::runFlash(dir, "update --port /dev/rkt5-no-such-port");
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "Error\n");
    EXPECT_EQ(result.err,
              "rkt5-flash: cannot open /dev/rkt5-no-such-port: there is no such device\n");
}

TEST_F(FlashProtocolCommands, PortsListsEachBoundDeviceUnderItsNumberAndWhetherItOpens) {
    start();
    const std::string pty = transceiver->portPath();
    const test::ProgramRun result =
        test::runFlash(dir, "ports COM2=" + pty + " COM3=/dev/rkt5-no-such-port");
    EXPECT_EQ(result.exitCode, 0);
    const auto lineOf = [&result](const std::string& start) {
        const std::size_t at = result.out.find("\n" + start);
        return at == std::string::npos
                   ? std::string()
                   : result.out.substr(at + 1, result.out.find('\n', at + 1) - at - 1);
    };
    EXPECT_THAT(lineOf("COM2  " + pty), testing::EndsWith("can be opened")) << result.out;
    EXPECT_THAT(lineOf("COM3  /dev/rkt5-no-such-port"),
                testing::EndsWith("cannot open /dev/rkt5-no-such-port: there is no such device"))
        << result.out;
    EXPECT_TRUE(transceiver->receivedMessages().empty());  // opened, but nothing sent
}

TEST_F(FlashProtocolCommands, ImageThatFailsTheCheckOrDoesNotLoadStopsBeforeTheLine) {
    start();
    const std::string bad = dir.write("bad.mot", "S2140C0000\r\nthis is no record\r\n");
    const test::ProgramRun refused = run("update --image '" + bad + "'");
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find(bad + ":2: not an S-record"), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find("fails the file check; nothing was sent"), std::string::npos);
    // Read as the window reads it, the file fails at its second line.
    const test::ProgramRun lenient = run("update --lenient --image '" + bad + "'");
    EXPECT_EQ(lenient.exitCode, 1);
    EXPECT_EQ(lenient.err, "Error Code = 9 ; line number = 2\n");
    EXPECT_TRUE(transceiver->receivedMessages().empty());
}

TEST_F(FlashProtocolCommands, LenientReadingWritesAFileTheCheckRefusesAndTheLogShowsEachSend) {
    // The first answer to the block is cut short: the block goes out twice.
    start({.faults = {{.kind = MessageKind::Program,
                       .occurrence = 1,
                       .action = sim::Fault::Action::PartialReply,
                       .count = 0}}});
    // Two records on lines ended by LF alone: the window's reading takes them as one line and
    // writes only the first.
    const std::string lf = dir.write("lf.mot",
                                     "S2140C0000000102030405060708090A0B0C0D0E0F67\nS2140C001000010"
                                     "2030405060708090A0B0C0D0E0F57\n");
    EXPECT_EQ(run("macro --image '" + lf + "'").exitCode, 1);
    EXPECT_TRUE(transceiver->receivedMessages().empty());
    const std::string log = dir.file("exchanges.log");
    EXPECT_EQ(run("macro --lenient --image '" + lf + "' --log '" + log + "'").out, "Completed.\n");
    EXPECT_EQ(count(MessageKind::Program), 2u);

    const std::string text = test::readBytes(log);
    EXPECT_TRUE(text.starts_with("# rkt5-flash macro")) << text.substr(0, 200);
    for (const std::string& expected :
         {std::string("# Qt "), "open " + transceiver->portPath() + ", 57600,n,8,1",
          std::string("sent, send 1, 512 bytes: FF FE 50 47 0C 00"), std::string("send 2, 512"),
          std::string("reply PG, status 5"), std::string("close")}) {
        EXPECT_NE(text.find(expected), std::string::npos) << expected;
    }
}

}  // namespace
}  // namespace rkt5
