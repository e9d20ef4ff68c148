#include "bench/StationSoak.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench/ProcessFigures.h"
#include "bench/RecordRows.h"
#include "bench/StationRound.h"
#include "bench/UnitFault.h"
#include "bench/WrittenFlash.h"
#include "firmware/FirmwareLines.h"
#include "flash/AccessWord.h"
#include "flash/FlashPacket.h"
#include "image/StartupImage.h"
#include "sim/PtyTransceiver.h"
#include "station/Station.h"

namespace rkt5::bench {

namespace {

using namespace std::chrono_literals;

// Far beyond the slowest run (a fault on every send of a block: ten reply time-outs), so that a
// run stopped by it points at a unit that hangs.
constexpr std::chrono::milliseconds kRunLimit = 60s;

// Threads and descriptors are counts, not samples: after every run the simulators' threads and
// ports are gone and the station keeps the same link thread per unit, so one more is a leak.
constexpr long kThreadGrowthAllowed = 0;
constexpr long kDescriptorGrowthAllowed = 0;
// Memory is read with the allocator's free pages given back. What is left still settles over the
// first runs (by 0.1 MB of heap and under 1 MB resident in the runs made so far) as Qt and the
// allocator warm up; a leak of a unit's port or link (a few kilobytes each) in every run passes
// the heap's bound within a hundred runs of eight units, a simulator's flash (256 KB) at once.
constexpr double kHeapGrowthAllowedMb = 0.5;
constexpr double kResidentGrowthAllowedMb = 2.0;

struct Figures {
    long threads = 0;
    long descriptors = 0;
    double heapMb = 0;
    double residentMb = 0;
};

Figures figuresNow() {
    releaseFreeHeap();
    return {threadCount(), openDescriptors(), heapInUseMegabytes(), residentMegabytes()};
}

// The "PG" packets an update of `image` sends when none is resent.
int blocksWithData(const FlashImage& image) {
    int blocks = 0;
    for (int row = FlashImage::kFirstRow; row <= kLastRowBelowTopBlock; row += kRowsPerBlock) {
        blocks += blockHasData(image, row) ? 1 : 0;
    }
    return blocks;
}

// How many units ended with a message, and how many their faults called for it.
struct MessageCount {
    int ended = 0;
    int foreseen = 0;
};

struct Tally {
    std::map<std::string, MessageCount> messages;
    int wrongMessages = 0;
    int falseSuccesses = 0;
    int rowMismatches = 0;
};

// A folder of the soak's own for the record and the units' links, gone with it.
class ScratchFolder {
  public:
    ScratchFolder()
        : path_(std::filesystem::temp_directory_path() /
                ("rkt5-station-soak-" + std::to_string(::getpid()))) {
        std::filesystem::create_directories(path_);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

  private:
    std::filesystem::path path_;
};

// The station knows each unit by a link that every run's new simulator takes over, as a station's
// cables stay where they are while the transceivers on them change.
std::vector<StationPort> unitPorts(const ScratchFolder& folder, int units) {
    std::vector<StationPort> ports;
    for (int unit = 1; unit <= units; ++unit) {
        ports.push_back({.number = unit, .device = folder.file("unit-" + std::to_string(unit))});
    }
    return ports;
}

// One run: new transceivers with their faults, all updated at once, each end checked.
void soakRun(int run, Station& station, const std::vector<StationPort>& ports,
             const FlashImage& image, int blocks, const std::string& record, Tally& tally) {
    std::vector<UnitFault> faults;
    std::vector<std::unique_ptr<sim::PtyTransceiver>> transceivers;
    for (std::size_t unit = 0; unit < ports.size(); ++unit) {
        faults.push_back(drawUnitFault(run, static_cast<int>(unit) + 1, blocks));
        transceivers.push_back(std::make_unique<sim::PtyTransceiver>(
            sim::SimulatorOptions{.pace = false,
                                  .linkPath = ports[unit].device,
                                  .faults = simulatorFaults(faults.back())}));
    }
    const std::size_t rowsBefore = recordRowsIn(record);
    const std::map<std::string, UnitResult> ended = updateAllAtOnce(station, ports, kRunLimit);

    for (std::size_t unit = 0; unit < ports.size(); ++unit) {
        const std::string foreseen = foreseenMessage(faults[unit]);
        const auto result = ended.find(ports[unit].device);
        const std::string message =
            result == ended.end() ? "(did not start)" : result->second.outcome.message.text;
        ++tally.messages[foreseen].foreseen;
        ++tally.messages[message].ended;
        if (message != foreseen) {
            ++tally.wrongMessages;
            const std::string reason = result == ended.end() ? "" : result->second.outcome.reason;
            std::fprintf(stderr, "run %d unit %zu, %s: ended \"%s\"%s%s, foreseen \"%s\"\n", run,
                         unit + 1, describe(faults[unit]).c_str(), message.c_str(),
                         reason.empty() ? "" : ": ", reason.c_str(), foreseen.c_str());
        } else if (result->second.outcome.succeeded &&
                   !flashHoldsImage(transceivers[unit]->flashMemory(), image)) {
            ++tally.falseSuccesses;
            std::fprintf(stderr, "run %d unit %zu, %s: \"%s\" over a flash that differs\n", run,
                         unit + 1, describe(faults[unit]).c_str(), message.c_str());
        }
    }
    const std::size_t rows = recordRowsIn(record) - rowsBefore;
    if (rows != ports.size()) {
        ++tally.rowMismatches;
        std::fprintf(stderr, "run %d: the record gained %zu rows for %zu units\n", run, rows,
                     ports.size());
    }
}

void printReport(int runs, int units, double seconds, const Tally& tally, const Figures& afterFirst,
                 const Figures& atEnd) {
    std::printf(
        "%d runs of %d units at once in %.0f s, each unit with a random fault or none, reply "
        "time-out %lld ms\n\n",
        runs, units, seconds, static_cast<long long>(kSoakReplyTime.count()));
    std::printf("| message | units ended so | units foreseen |\n|---|---:|---:|\n");
    for (const auto& [message, count] : tally.messages) {
        std::printf("| %s | %d | %d |\n", message.c_str(), count.ended, count.foreseen);
    }
    std::printf("\n| mismatch | count |\n|---|---:|\n");
    std::printf("| wrong message | %d |\n| success over a flash that differs | %d |\n",
                tally.wrongMessages, tally.falseSuccesses);
    std::printf("| runs whose record gained more or fewer rows than units | %d |\n",
                tally.rowMismatches);
    std::printf(
        "\n| figure | after run 1 | after run %d | growth allowed |\n|---|---:|---:|---:|\n", runs);
    std::printf("| threads | %ld | %ld | %ld |\n", afterFirst.threads, atEnd.threads,
                kThreadGrowthAllowed);
    std::printf("| open descriptors | %ld | %ld | %ld |\n", afterFirst.descriptors,
                atEnd.descriptors, kDescriptorGrowthAllowed);
    std::printf("| heap in use | %.2f MB | %.2f MB | %.2f MB |\n", afterFirst.heapMb, atEnd.heapMb,
                kHeapGrowthAllowedMb);
    std::printf("| resident memory, free heap given back | %.1f MB | %.1f MB | %.1f MB |\n",
                afterFirst.residentMb, atEnd.residentMb, kResidentGrowthAllowedMb);
}

bool grewBeyond(double before, double after, double allowed) {
    return after - before > allowed;
}

}  // namespace

int stationSoak(int units, int runs) {
    auto image = std::make_unique<FlashImage>();
    auto table = std::make_unique<FirmwareTable>();
    buildStartupImage(*image, *table);
    const int blocks = blocksWithData(*image);

    const ScratchFolder folder;
    const std::string record = folder.file("units.csv");
    const std::vector<StationPort> ports = unitPorts(folder, units);
    Station station({.image = image.get(), .timeout = kSoakReplyTime},
                    stationRecords(record, "", true, std::string(kStartupFirmwareVersion), *image));

    Tally tally;
    Figures afterFirst;
    const auto start = std::chrono::steady_clock::now();
    for (int run = 1; run <= runs; ++run) {
        soakRun(run, station, ports, *image, blocks, record, tally);
        if (run == 1) {
            afterFirst = figuresNow();
        }
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const Figures atEnd = figuresNow();

    printReport(runs, units, seconds, tally, afterFirst, atEnd);

    const bool grew =
        grewBeyond(afterFirst.threads, atEnd.threads, kThreadGrowthAllowed) ||
        grewBeyond(afterFirst.descriptors, atEnd.descriptors, kDescriptorGrowthAllowed) ||
        grewBeyond(afterFirst.heapMb, atEnd.heapMb, kHeapGrowthAllowedMb) ||
        grewBeyond(afterFirst.residentMb, atEnd.residentMb, kResidentGrowthAllowedMb);
    const int mismatches = tally.wrongMessages + tally.falseSuccesses + tally.rowMismatches;
    return mismatches == 0 && !grew ? 0 : 1;
}

}  // namespace rkt5::bench
