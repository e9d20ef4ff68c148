// Whole updates in every mode against a transceiver that misbehaves at random (repeatably, by
// seed): every run must end in one of the sequence's messages within its time-outs, leave the port
// closed, and, when it reports success, leave the image in the transceiver's flash: a success
// message over a flash that differs is the one thing this program must never say.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <set>
#include <string>
#include <tuple>

#include "firmware/FirmwareLines.h"
#include "flash/Sequences.h"
#include "image/StartupImage.h"
#include "link/ChosenLine.h"
#include "serial/PortNames.h"
#include "serial/QtSerialPort.h"
#include "sim/PtyTransceiver.h"
#include "tests/flash/RecordingPanel.h"

namespace rkt5 {
namespace {

using namespace std::chrono_literals;

// Row by row, the whole built-in image would take minutes in modes 0 and 1: they write its first
// rows, enough for hundreds of handshakes.
constexpr int kFrameModeRows = 300;

std::unique_ptr<FlashImage> soakImage(int mode) {
    auto image = std::make_unique<FlashImage>();
    auto table = std::make_unique<FirmwareTable>();
    buildStartupImage(*image, *table);
    if (mode == 2) {
        return image;
    }
    auto some = std::make_unique<FlashImage>();
    int rows = 0;
    for (int row = FlashImage::kFirstRow; row <= FlashImage::kLastRow && rows < kFrameModeRows;
         ++row) {
        if (image->RowHasData(row)) {
            ++rows;
            for (int column = 0; column < FlashImage::kColumns; ++column) {
                some->storeByte(row, column, image->cell(row, column));
            }
        }
    }
    return some;
}

class RandomFaultSoak : public testing::TestWithParam<std::tuple<int, std::uint32_t>> {};

TEST_P(RandomFaultSoak, EveryRunEndsInAMessageAndSuccessMeansWritten) {
    const auto [mode, seed] = GetParam();
    const std::unique_ptr<FlashImage> image = soakImage(mode);

    sim::PtyTransceiver transceiver(
        {.pace = false, .randomFaultRate = 0.04, .seed = seed, .randomLateDelay = 400ms});
    QtSerialPort port;
    ChosenLine choice;
    choice.chosenPort = PortNames::bound(1, transceiver.portPath());
    RadioLink link(port, choice);
    // Unpaced answers come at once; frames are small enough for a shorter wait.
    link.Timer1.setInterval(mode == 2 ? 250ms : 100ms);
    test::RecordingPanel panel;
    FlashContext context{link, *image, panel};

    const Outcome outcome =
        mode == 2 ? startSequence(context) : macroSequence(context, *protocolMode(mode));

    static const std::set<std::string> kMessages{
        "Completed.",      "FLASH Memory writing completed.",
        "Region error",    "Error",
        "Connect failed.", "Erase failed.",
        "Write failed.",   "Disconnect failed."};
    EXPECT_EQ(kMessages.count(outcome.message.text), 1u) << outcome.message.text;
    EXPECT_FALSE(port.portOpen());
    EXPECT_FALSE(link.Timer1.armed());
    if (outcome.succeeded) {
        const auto flash = transceiver.flashMemory();
        for (std::size_t offset = 0; offset < wire::kTopBlockStart - wire::kFlashBase; ++offset) {
            ASSERT_EQ(flash[offset], image->cells()[offset] & 0xFF)
                << "false success: \"" << outcome.message.text << "\" over a flash that differs";
        }
    } else {
        EXPECT_FALSE(outcome.reason.empty()) << outcome.message.text;
    }
    std::printf("mode %d seed %u: %s%s%s\n", mode, seed, outcome.message.text.c_str(),
                outcome.reason.empty() ? "" : " - ", outcome.reason.c_str());
}

INSTANTIATE_TEST_SUITE_P(Seeds, RandomFaultSoak,
                         testing::Combine(testing::Values(0, 1, 2),
                                          testing::Values(1u, 2u, 3u, 4u, 5u)));

}  // namespace
}  // namespace rkt5
