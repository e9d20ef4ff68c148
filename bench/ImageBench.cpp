// How fast the firmware text becomes an image: the start-up build in-process, and the whole
// "rkt5-flash dump-image" process beside two independent S-record converters on the same text.
//
//   rkt5-bench-image [RUNS]     (RUNS process runs per tool, default 30)

#include <sys/resource.h>
#include <sys/wait.h>
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

#include "image/StartupImage.h"

namespace {

using Clock = std::chrono::steady_clock;

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

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

struct RunTime {
    double wallMs;
    double cpuMs;  // user + system: less disturbed than wall time when the machine is busy
};

// One run of a program; its output goes to /dev/null.
RunTime runOnce(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    const auto start = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        std::freopen("/dev/null", "w", stdout);
        std::freopen("/dev/null", "w", stderr);
        execvp(args[0], args.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    const auto millis = [](const timeval& t) { return t.tv_sec * 1e3 + t.tv_usec / 1e3; };
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::cerr << "failed: " << argv[0] << "\n";
        std::exit(1);
    }
    return {ms, millis(usage.ru_utime) + millis(usage.ru_stime)};
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
        runOnce(tool.argv);  // warm the page cache
    }
    for (int i = 0; i < runs; ++i) {
        for (Tool& tool : tools) {  // interleaved, so load from elsewhere hits all alike
            const RunTime t = runOnce(tool.argv);
            tool.wall.push_back(t.wallMs);
            tool.cpu.push_back(t.cpuMs);
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
