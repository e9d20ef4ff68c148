// How long the operator waits for the window: rkt5-updater from process start until its window
// is shown with the built-in image loaded, beside a bare Qt Widgets window, both under the
// offscreen platform, and the most memory each holds.
//
//   rkt5-bench-startup [RUNS]     (RUNS runs per program, default 40)

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/ChildProcess.h"

namespace {

using rkt5::bench::median;

constexpr double kTimeTarget = 1.3;  // times the bare window's
constexpr double kMemoryTargetMb = 10;

struct Program {
    const char* name;
    std::vector<std::string> argv;
    std::vector<double> wall, cpu, residentMb;
};

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 40;
    setenv("QT_QPA_PLATFORM", "offscreen", 1);

    std::vector<Program> programs{
        {"bare Qt Widgets window", {RKT5_BARE_WINDOW}, {}, {}, {}},
        {"rkt5-updater", {RKT5_UPDATER, "--quit-when-shown"}, {}, {}, {}},
    };
    for (int i = -1; i < runs; ++i) {        // the first round warms the caches and is not counted
        for (Program& program : programs) {  // interleaved, so load from elsewhere hits both alike
            const rkt5::bench::ChildRun run = rkt5::bench::runChild(program.argv);
            if (run.exitCode != 0) {
                std::fprintf(stderr, "%s failed\n", program.name);
                return 1;
            }
            if (i >= 0) {
                program.wall.push_back(run.wallSeconds * 1e3);
                program.cpu.push_back(run.cpuSeconds * 1e3);
                program.residentMb.push_back(run.maxResidentKb / 1024.0);
            }
        }
    }

    const Program& bare = programs[0];
    const Program& updater = programs[1];
    std::printf("Start until the window is shown, offscreen platform, median of %d runs:\n\n",
                runs);
    std::printf("| program | wall | vs bare | CPU | max resident | vs bare |\n");
    std::printf("|---|---:|---:|---:|---:|---:|\n");
    for (const Program& program : programs) {
        std::printf("| %s | %.1f ms | %.2fx | %.1f ms | %.1f MB | %+.1f MB |\n", program.name,
                    median(program.wall), median(program.wall) / median(bare.wall),
                    median(program.cpu), median(program.residentMb),
                    median(program.residentMb) - median(bare.residentMb));
    }
    const double ratio = median(updater.wall) / median(bare.wall);
    const double moreMb = median(updater.residentMb) - median(bare.residentMb);
    std::printf("\nTarget: at most %.1fx the time (%s) and %.0f MB more (%s).\n", kTimeTarget,
                ratio <= kTimeTarget ? "met" : "missed", kMemoryTargetMb,
                moreMb <= kMemoryTargetMb ? "met" : "missed");
    return 0;
}
