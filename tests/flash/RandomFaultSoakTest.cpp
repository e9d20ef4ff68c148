// Whole updates against a transceiver that misbehaves at random (repeatably, by seed): every run
// must end in one of the sequence's messages within its time-outs, leave the port closed, and,
// when it reports "Completed.", leave the image in the transceiver's flash.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <set>
#include <string>

#include "firmware/FirmwareLines.h"
#include "flash/Sequences.h"
#include "image/StartupImage.h"
#include "link/MenuLineChoice.h"
#include "link/QtSerialPort.h"
#include "sim/PtyTransceiver.h"
#include "tests/flash/RecordingPanel.h"

namespace rkt5 {
namespace {

using namespace std::chrono_literals;

class RandomFaultSoak : public testing::TestWithParam<std::uint32_t> {};

TEST_P(RandomFaultSoak, EveryRunEndsInAMessageAndCompletedMeansWritten) {
    auto image = std::make_unique<FlashImage>();
    auto table = std::make_unique<FirmwareTable>();
    buildStartupImage(*image, *table);

    sim::PtyTransceiver transceiver(
        {.pace = false, .randomFaultRate = 0.04, .seed = GetParam(), .randomLateDelay = 400ms});
    QtSerialPort port;
    port.names().bind(1, transceiver.portPath());
    MenuLineChoice choice;
    RadioLink link(port, choice);
    link.Timer1.setInterval(250ms);
    test::RecordingPanel panel;
    FlashContext context{link, *image, panel};

    const Outcome outcome = startSequence(context);

    static const std::set<std::string> kMessages{
        "Completed.",    "Region error",      "Error", "Connect failed.", "Erase failed.",
        "Write failed.", "Disconnect failed."};
    EXPECT_EQ(kMessages.count(outcome.message.text), 1u) << outcome.message.text;
    EXPECT_EQ(outcome.succeeded, outcome.message.text == "Completed.");
    EXPECT_FALSE(port.portOpen());
    EXPECT_FALSE(link.Timer1.armed());
    if (outcome.succeeded) {
        const auto flash = transceiver.flashMemory();
        for (std::size_t offset = 0; offset < 0xFF000 - 0xC0000; ++offset) {
            ASSERT_EQ(flash[offset], image->cells()[offset] & 0xFF) << "at offset " << offset;
        }
    }
    std::printf("seed %u: %s\n", GetParam(), outcome.message.text.c_str());
}

INSTANTIATE_TEST_SUITE_P(Seeds, RandomFaultSoak, testing::Values(1u, 2u, 3u, 4u, 5u));

}  // namespace
}  // namespace rkt5
