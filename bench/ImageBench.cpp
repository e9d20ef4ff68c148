// How fast the firmware text becomes an image: the start-up build in-process, and the whole
// "rkt5-flash dump-image" process beside two independent S-record converters on the same text.
//
//   rkt5-bench-image [RUNS]     (RUNS process runs per tool, default 30)

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iomanip>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "bench/ChildProcess.h"
#include "image/StartupImage.h"

namespace {

using rkt5::bench::median;
using Clock = std::chrono::steady_clock;

// Microseconds per start-up build (clear, fill the table, load every line).
double startupBuildMicros(int repetitions) {
    auto image = std::make_unique<rkt5::FlashImage>();
    auto table = std::make_unique<rkt5::FirmwareTable>();
    std::vector<double> times;
    for (int i = 0; i < repetitions; ++i) {
        const auto start = Clock::now();
        rkt5::buildStartupImage(*image, *table);
        times.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    return median(times);
}

// One run of a program, in milliseconds of wall and CPU time; a failing run ends the benchmark.
std::pair<double, double> runMillis(const std::vector<std::string>& argv) {
    const rkt5::bench::ChildRun run = rkt5::bench::runChild(argv);
    if (run.exitCode != 0) {
        std::cerr << "failed: " << argv[0] << "\n";
        std::exit(1);
    }
    return {run.wallSeconds * 1e3, run.cpuSeconds * 1e3};
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;
    const std::string text = RKT5_FIRMWARE_TEXT;
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("rkt5-bench-image-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const std::string out = (dir / "out.bin").string();

    struct Tool {
        std::string name;
        std::vector<std::string> argv;
        std::vector<double> wall;
        std::vector<double> cpu;
    };
    std::vector<Tool> tools{
        {"rkt5-flash dump-image", {RKT5_FLASH, "dump-image", out}, {}, {}},
        {"srec_cat -o -binary", {"srec_cat", text, "-o", out, "-binary"}, {}, {}},
        {"objcopy -I srec -O binary", {"objcopy", "-I", "srec", "-O", "binary", text, out}, {}, {}},
    };
    for (Tool& tool : tools) {
        runMillis(tool.argv);  // warm the page cache
    }
    for (int i = 0; i < runs; ++i) {
        for (Tool& tool : tools) {  // interleaved, so load from elsewhere hits all alike
            const auto [wall, cpu] = runMillis(tool.argv);
            tool.wall.push_back(wall);
            tool.cpu.push_back(cpu);
        }
    }
    const double buildMicros = startupBuildMicros(1000);
    std::filesystem::remove_all(dir);

    std::cout << "Start-up image build in-process (8,023 lines, median of 1000): " << std::fixed
              << std::setprecision(0) << buildMicros << " us\n\n";
    std::cout << "Firmware text to binary, whole process, median of " << runs << " runs:\n\n";
    std::cout << "| command | wall ms | wall vs dump-image | CPU ms | CPU vs dump-image |\n"
              << "|---|---:|---:|---:|---:|\n";
    const double oursWall = median(tools[0].wall);
    const double oursCpu = median(tools[0].cpu);
    for (const Tool& tool : tools) {
        const double wall = median(tool.wall);
        const double cpu = median(tool.cpu);
        std::cout << "| " << tool.name << " | " << std::setprecision(2) << wall << " | "
                  << std::setprecision(1) << wall / oursWall << "x | " << std::setprecision(2)
                  << cpu << " | " << std::setprecision(1) << cpu / oursCpu << "x |\n";
    }
    return 0;
}
