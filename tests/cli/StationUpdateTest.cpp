// rkt5-flash updating three simulated transceivers at once: each unit's result, the summary, the
// record and the logs, and Ctrl+C in the middle of the writes.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <array>
#include <memory>
#include <set>
#include <thread>

#include "firmware/FirmwareLines.h"
#include "image/StartupImage.h"
#include "sim/PtyTransceiver.h"
#include "station/CsvText.h"
#include "tests/cli/FlashRun.h"

namespace rkt5 {
namespace {

using sim::Fault;
using sim::MessageKind;
using testing::HasSubstr;

class StationUpdate : public testing::Test {
  protected:
    // Three transceivers; the third answers "NG" to every block when `failThird`.
    void start(std::chrono::milliseconds programTime, bool failThird) {
        for (std::size_t unit = 0; unit < units.size(); ++unit) {
            sim::SimulatorOptions options{.pace = false, .programTime = programTime};
            if (failThird && unit == 2) {
                options.faults = {{.kind = MessageKind::Program, .reply = "NG"}};
            }
            units[unit] = std::make_unique<sim::PtyTransceiver>(std::move(options));
            ports += " --port " + units[unit]->portPath();
        }
    }
    std::size_t count(std::size_t unit, MessageKind kind) const {
        std::size_t n = 0;
        for (const auto& message : units[unit]->receivedMessages()) {
            n += message.kind == kind;
        }
        return n;
    }

    test::TempDir dir;
    std::array<std::unique_ptr<sim::PtyTransceiver>, 3> units;
    std::string ports;
};

TEST_F(StationUpdate, OneFailingUnitChangesNothingForTheOthersAndEveryUnitIsRecorded) {
    start(std::chrono::milliseconds(0), true);
    const std::string record = dir.file("record.csv");
    const std::string logs = dir.file("logs");
    const auto args = "update" + ports + " --timeout-ms 300 --record " + record + " --log " + logs +
                      " --unit COM3=SN-3";
    const test::ProgramRun result = test::runFlash(dir, args);

    EXPECT_EQ(result.exitCode, 1) << result.err;
    const std::string pty3 = units[2]->portPath();
    EXPECT_THAT(result.out, testing::ContainsRegex("COM3 " + pty3 + " +Write failed\\."));
    EXPECT_THAT(result.out, HasSubstr("block C0000 (\"PG\"), 10 sends: answered \"NG\\r\\n\"; in "
                                      "flash mode, partly written: run the update again\n"));
    EXPECT_THAT(result.out, testing::EndsWith("2 completed, 1 failed\n"));
    // Names are padded to the longest, and pseudo-terminal numbers differ in length.
    EXPECT_THAT(result.err,
                testing::ContainsRegex("COM1 " + units[0]->portPath() + " +Completed\\."));

    auto image = std::make_unique<FlashImage>();
    auto table = std::make_unique<FirmwareTable>();
    buildStartupImage(*image, *table);
    for (std::size_t unit = 0; unit < 2; ++unit) {
        const auto flash = units[unit]->flashMemory();
        for (std::size_t offset = 0; offset < 0xFF000 - 0xC0000; ++offset) {
            ASSERT_EQ(flash[offset], image->cells()[offset] & 0xFF) << unit << " at " << offset;
        }
    }
    EXPECT_EQ(count(2, MessageKind::End), 0u) << "a unit that failed is left in flash mode";

    // The header once, then a row per unit in the order they ended: the failure first.
    EXPECT_EQ(test::runFlash(dir, args).exitCode, 1);
    const std::string rows = test::readBytes(record);
    EXPECT_TRUE(
        rows.starts_with("time,computer,com,device,usb_serial,firmware,image_checksum,"
                         "message,reason,seconds,sends,resends,unit,operator,image_sha256,"
                         "program_version\n"));
    EXPECT_EQ(std::count(rows.begin(), rows.end(), '\n'), 7);
    const std::string failedRow = ",COM3," + pty3 +
                                  ",,EG5.000,1747A66,Write failed.,\"block C0000 "
                                  "(\"\"PG\"\"), 10 sends: answered \"\"NG\\r\\n\"\"\",";
    const std::size_t at = rows.find(failedRow);
    ASSERT_NE(at, std::string::npos) << rows;
    // The seconds depend on the machine's load, the operator on who runs the test; the sends
    // and the image do not.
    const std::size_t rest = at + failedRow.size();
    EXPECT_THAT(
        rows.substr(rest, rows.find('\n', rest) - rest),
        testing::MatchesRegex("[0-9]+\\.[0-9],13,9,SN-3,[^,]*,"
                              "c543fb166b403cf2bf5c5ec941f6ea6ccfca14eea20bfdffcaccd6f4458e2b77," +
                              std::string(RKT5_VERSION)));
    EXPECT_THAT(rows,
                HasSubstr(",COM1," + units[0]->portPath() + ",,EG5.000,1747A66,Completed.,,"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(logs), {}), 6);
}

TEST_F(StationUpdate, CtrlCLetsEachUnitEndTheExchangeUnderWayAndReportsWhereItStopped) {
    start(std::chrono::milliseconds(40), false);
    const pid_t flash = fork();
    if (flash == 0) {
        execl("/bin/sh", "sh", "-c", ("exec " + test::flashCommand(dir, "update" + ports)).c_str(),
              nullptr);
        _exit(127);
    }
    for (const auto& unit : units) {
        ASSERT_TRUE(unit->waitForMessages(8, std::chrono::seconds(20)));
    }
    kill(flash, SIGINT);
    std::array<std::size_t, 3> blocksAtSignal{};
    for (std::size_t unit = 0; unit < units.size(); ++unit) {
        blocksAtSignal[unit] = count(unit, MessageKind::Program);
    }
    int status = 0;
    waitpid(flash, &status, 0);
    const test::ProgramRun result = test::programRun(dir, status);

    EXPECT_EQ(result.exitCode, 1) << result.err;
    for (std::size_t unit = 0; unit < units.size(); ++unit) {
        // The block under way at the signal, and nothing after it.
        EXPECT_LE(count(unit, MessageKind::Program), blocksAtSignal[unit] + 1) << unit;
        EXPECT_EQ(count(unit, MessageKind::End), 0u);
        EXPECT_THAT(result.out, HasSubstr(units[unit]->portPath() + "  Write failed.  "));
    }
    EXPECT_THAT(result.out, HasSubstr("stopped by the user before the next send; in flash mode, "
                                      "partly written: run the update again"));
    EXPECT_THAT(result.out, testing::EndsWith("0 completed, 3 failed\n"));
}

// The record is the station's proof of work: a station killed outright keeps the row of every unit
// that had ended, whole, and nothing of the unit still being written.
TEST_F(StationUpdate, AKilledStationLeavesTheRowOfEveryUnitThatHadEndedWholeAndNoTornRow) {
    for (std::size_t unit = 0; unit < units.size(); ++unit) {
        units[unit] = std::make_unique<sim::PtyTransceiver>(
            sim::SimulatorOptions{.pace = false,
                                  .programTime = std::chrono::milliseconds(unit == 2 ? 40 : 0),
                                  .regionOther = unit < 2});
        ports += " --port " + units[unit]->portPath();
    }
    const std::string record = dir.file("record.csv");
    const pid_t flash = fork();
    if (flash == 0) {
        const std::string command =
            "exec " + test::flashCommand(dir, "update" + ports + " --record " + record);
        execl("/bin/sh", "sh", "-c", command.c_str(), nullptr);
        _exit(127);
    }
    ASSERT_TRUE(units[2]->waitForMessages(8, std::chrono::seconds(20)));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (csvRows(test::readBytes(record)).size() < 3 &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(flash, SIGKILL);
    waitpid(flash, nullptr, 0);

    const auto rows = csvRows(test::readBytes(record));
    ASSERT_EQ(rows.size(), 3u) << test::readBytes(record);
    std::set<std::string> recorded;
    for (std::size_t row = 1; row < rows.size(); ++row) {
        EXPECT_EQ(rows[row].size(), 16u) << "row " << row;
        recorded.insert(rows[row].at(3));
    }
    EXPECT_EQ(recorded, (std::set<std::string>{units[0]->portPath(), units[1]->portPath()}));
}

}  // namespace
}  // namespace rkt5
