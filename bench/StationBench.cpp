// Several transceivers updated at once by one rkt5-flash, beside one alone: 1, 2, 4 and 8
// simulated transceivers paced at 57600 bit/s, each written the whole built-in image.
//
//   rkt5-bench-station [--max N]
//
// Each unit's update runs in a thread of its own with its own event loop, so N units should take
// as long as one: the wall time beside one unit's is the figure to watch. CPU is the rkt5-flash
// process's own (user + system, from wait4), shown per port as a share of one core; resident
// memory is its peak. The floor is the line time of the busiest unit's bytes, as the simulator's
// pacer counts it. The simulators run in this process, one pacing thread each.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "bench/ChildProcess.h"
#include "sim/PtyTransceiver.h"

namespace {

struct Row {
    int units;
    double floorSeconds;
    rkt5::bench::ChildRun run;
};

Row updateAtOnce(int units) {
    std::vector<std::unique_ptr<rkt5::sim::PtyTransceiver>> transceivers;
    std::vector<std::string> argv{RKT5_FLASH, "update"};
    for (int unit = 0; unit < units; ++unit) {
        transceivers.push_back(std::make_unique<rkt5::sim::PtyTransceiver>());
        argv.insert(argv.end(), {"--port", transceivers.back()->portPath()});
    }
    Row row{units, 0, rkt5::bench::runChild(argv)};
    for (const auto& transceiver : transceivers) {
        row.floorSeconds = std::max(row.floorSeconds,
                                    std::chrono::duration<double>(transceiver->lineTime()).count());
    }
    return row;
}

}  // namespace

int main(int argc, char** argv) {
    int most = 8;
    if (argc == 3 && std::string(argv[1]) == "--max") {
        most = std::atoi(argv[2]);
    } else if (argc != 1) {
        std::fprintf(stderr, "usage: rkt5-bench-station [--max N]\n");
        return 2;
    }
    std::printf(
        "| units at once | floor | wall | against 1 | CPU | per port, of one core | "
        "peak RSS |\n|---:|---:|---:|---:|---:|---:|---:|\n");
    double oneUnit = 0;
    bool allCompleted = true;
    for (int units = 1; units <= most; units *= 2) {
        const Row row = updateAtOnce(units);
        allCompleted = allCompleted && row.run.exitCode == 0;
        oneUnit = units == 1 ? row.run.wallSeconds : oneUnit;
        std::printf("| %d | %.2f s | %.2f s | %.3f× | %.2f s | %.2f%% | %.1f MB |%s\n", units,
                    row.floorSeconds, row.run.wallSeconds, row.run.wallSeconds / oneUnit,
                    row.run.cpuSeconds, 100.0 * row.run.cpuSeconds / row.run.wallSeconds / units,
                    row.run.maxResidentKb / 1024.0,
                    row.run.exitCode == 0 ? "" : "  (not every unit completed)");
        std::fflush(stdout);
    }
    return allCompleted ? 0 : 1;
}
