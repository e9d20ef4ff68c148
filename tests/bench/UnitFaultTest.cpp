// The station soak foresees the message of each unit from its fault alone. Here every kind of
// fault it draws, at every place, is held against the updater itself: all at once through one
// station, as the soak runs them.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <tuple>
#include <vector>

#include "bench/RecordRows.h"
#include "bench/StationRound.h"
#include "bench/UnitFault.h"
#include "firmware/FirmwareLines.h"
#include "image/StartupImage.h"
#include "sim/PtyTransceiver.h"
#include "station/Station.h"
#include "tests/support/TempDir.h"

namespace rkt5::bench {
namespace {

using namespace std::chrono_literals;

// Faults that differ only in the block they hit or the bytes a hang-up lets through are alike.
using FaultShape = std::tuple<FaultKind, FaultPlace, bool>;

FaultShape shapeOf(const UnitFault& fault) {
    return fault.kind == FaultKind::None ? FaultShape{FaultKind::None, FaultPlace::Block, false}
                                         : FaultShape{fault.kind, fault.place, fault.everySend};
}

// One fault of every shape the soak's draws reach in its hundred runs of eight units: no fault;
// a lost, garbled or "NG" answer at each of the five places, and on every send at the three that
// resend; a late answer at each place but the end; a hang-up at each place.
constexpr std::size_t kShapes = 1 + 3 * (5 + 3) + 4 + 5;
constexpr int kBlocksDrawnFrom = 20;

std::vector<UnitFault> oneFaultOfEveryShape() {
    std::map<FaultShape, UnitFault> shapes;
    for (int run = 1; run <= 100; ++run) {
        for (int unit = 1; unit <= 8; ++unit) {
            const UnitFault fault = drawUnitFault(run, unit, kBlocksDrawnFrom);
            EXPECT_TRUE(foreseeable(fault)) << describe(fault);
            shapes.emplace(shapeOf(fault), fault);
        }
    }
    EXPECT_EQ(shapes.size(), kShapes);
    std::vector<UnitFault> faults;
    for (const auto& [shape, fault] : shapes) {
        faults.push_back(fault);
    }
    return faults;
}

TEST(UnitFault, TheSameRunAndUnitDrawTheSameFault) {
    const UnitFault first = drawUnitFault(7, 3, kBlocksDrawnFrom);
    const UnitFault again = drawUnitFault(7, 3, kBlocksDrawnFrom);
    EXPECT_EQ(describe(first), describe(again));
    EXPECT_EQ(shapeOf(first), shapeOf(again));
}

TEST(UnitFault, EveryShapeOfFaultEndsInTheMessageForeseen) {
    const std::vector<UnitFault> faults = oneFaultOfEveryShape();
    auto image = std::make_unique<FlashImage>();
    auto table = std::make_unique<FirmwareTable>();
    buildStartupImage(*image, *table);
    const test::TempDir dir;
    std::vector<std::unique_ptr<sim::PtyTransceiver>> transceivers;
    std::vector<StationPort> ports;
    for (const UnitFault& fault : faults) {
        transceivers.push_back(std::make_unique<sim::PtyTransceiver>(
            sim::SimulatorOptions{.pace = false, .faults = simulatorFaults(fault)}));
        ports.push_back({.device = transceivers.back()->portPath()});
    }
    const std::string record = dir.file("units.csv");
    Station station({.image = image.get(), .timeout = kSoakReplyTime},
                    stationRecords(record, "", true, "EG5.000", *image));

    const std::map<std::string, UnitResult> ended = updateAllAtOnce(station, ports, 60s);

    for (std::size_t unit = 0; unit < faults.size(); ++unit) {
        const auto result = ended.find(ports[unit].device);
        ASSERT_NE(result, ended.end()) << describe(faults[unit]) << ": did not start";
        EXPECT_EQ(result->second.outcome.message.text, foreseenMessage(faults[unit]))
            << describe(faults[unit]) << ": " << result->second.outcome.reason;
    }
    EXPECT_EQ(recordRowsIn(record), faults.size());
}

}  // namespace
}  // namespace rkt5::bench
