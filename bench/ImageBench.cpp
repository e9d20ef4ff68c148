// How fast the firmware text becomes an image: the start-up build in-process, and the whole
// "rkt5-flash dump-image" process beside two independent S-record converters on the same text.
//
//   rkt5-bench-image [RUNS]     (RUNS process runs per tool, default 30)

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

// Wall time of one run of a program, in milliseconds; its output goes to /dev/null.
double runMillis(const std::vector<std::string>& argv) {
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
    waitpid(pid, &status, 0);
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::cerr << "failed: " << argv[0] << "\n";
        std::exit(1);
    }
    return ms;
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
        std::vector<double> times;
    };
    std::vector<Tool> tools{
        {"rkt5-flash dump-image", {RKT5_FLASH, "dump-image", out}, {}},
        {"srec_cat -o -binary", {"srec_cat", text, "-o", out, "-binary"}, {}},
        {"objcopy -I srec -O binary", {"objcopy", "-I", "srec", "-O", "binary", text, out}, {}},
    };
    for (Tool& tool : tools)
        runMillis(tool.argv);  // warm the page cache
    for (int i = 0; i < runs; ++i) {
        for (Tool& tool : tools)
            tool.times.push_back(runMillis(tool.argv));  // interleaved
    }
    const double buildMicros = startupBuildMicros(1000);
    std::filesystem::remove_all(dir);

    std::cout << "Start-up image build in-process (8,023 lines, median of 1000): " << std::fixed
              << std::setprecision(0) << buildMicros << " us\n\n";
    std::cout << "Firmware text to binary, whole process, median of " << runs << " runs:\n\n";
    std::cout << "| command | median ms | vs dump-image |\n|---|---:|---:|\n";
    const double ours = median(tools[0].times);
    for (const Tool& tool : tools) {
        const double m = median(tool.times);
        std::cout << "| " << tool.name << " | " << std::setprecision(2) << m << " | "
                  << std::setprecision(1) << m / ours << "x |\n";
    }
    return 0;
}
