// Several transceivers updated at once by one rkt5-flash, beside one alone: 1, 2, 4, 8, 16 and 32
// simulated transceivers paced at 57600 bit/s, each written the whole built-in image.
//
//   rkt5-bench-station [--max N]     (default 32; the counts double up to N)
//
// Each unit's update runs in a thread of its own, so N units should take as long as one: the wall
// time beside one unit's is the figure to watch. CPU is the rkt5-flash process's own (user +
// system, from wait4), shown per port as a share of one core; resident memory is its peak, and
// what each unit adds is that peak beyond one unit's, shared out over the units beyond the first.
// The floor is the line time of the busiest unit's bytes, as the simulator's pacer counts it. The
// simulators run in this process, each with its own pseudo-terminal and serving thread.
//
// Targets: at 32 units at most 1.05 times one unit's wall time, and under 1% of one core per port.
#include <algorithm>
#include <chrono>
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

// Kilobytes as the table shows them: one unit's share is a fraction of a megabyte.
std::string megabytes(double kilobytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f MB", kilobytes / 1024.0);
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    int most = 32;
    if (argc == 3 && std::string(argv[1]) == "--max") {
        most = std::atoi(argv[2]);
    } else if (argc != 1) {
        std::fprintf(stderr, "usage: rkt5-bench-station [--max N]\n");
        return 2;
    }
    std::printf(
        "| units at once | floor | wall | against 1 | CPU | per port, of one core | "
        "peak RSS | memory each unit adds |\n|---:|---:|---:|---:|---:|---:|---:|---:|\n");
    Row one{};
    bool allCompleted = true;
    for (int units = 1; units <= most; units *= 2) {
        const Row row = updateAtOnce(units);
        allCompleted = allCompleted && row.run.exitCode == 0;
        one = units == 1 ? row : one;
        const std::string eachAdds =
            units == 1
                ? "–"
                : megabytes(static_cast<double>(row.run.maxResidentKb - one.run.maxResidentKb) /
                            (units - 1));
        std::printf("| %d | %.2f s | %.2f s | %.3f× | %.2f s | %.2f%% | %s | %s |%s\n", units,
                    row.floorSeconds, row.run.wallSeconds,
                    row.run.wallSeconds / one.run.wallSeconds, row.run.cpuSeconds,
                    100.0 * row.run.cpuSeconds / row.run.wallSeconds / units,
                    megabytes(static_cast<double>(row.run.maxResidentKb)).c_str(), eachAdds.c_str(),
                    row.run.exitCode == 0 ? "" : "  (not every unit completed)");
        std::fflush(stdout);
    }
    return allCompleted ? 0 : 1;
}
