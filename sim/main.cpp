// rkt5-sim: the simulated transceiver as a program, for the terminal, the demo and benchmarks.

#include <csignal>
#include <cstdio>
#include <ctime>
#include <exception>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "sim/CommandLine.h"
#include "sim/FlashFile.h"
#include "sim/PtyTransceiver.h"

namespace {

using namespace rkt5::sim;

constexpr long kPathCheckNanoseconds = 200'000'000;

// The arguments and the --flash-in file, or nothing after saying what is wrong with them.
std::optional<CommandLine> readCommandLine(int argc, char** argv) {
    try {
        CommandLine line = parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
        if (!line.flashInPath.empty()) {
            line.options.initialFlash = readFlashFile(line.flashInPath);
        }
        return line;
    } catch (const std::exception& e) {
        std::cerr << "rkt5-sim: " << e.what() << "\nTry 'rkt5-sim --help'.\n";
        return std::nullopt;
    }
}

// Signals are taken synchronously while serving; blocked before any server thread starts so
// that each inherits the mask and never sees them.
sigset_t blockStopSignals() {
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    return stopSignals;
}

// The transceivers of the bench and the port paths last printed for them, unit 1 first.
struct Bench {
    std::vector<std::unique_ptr<PtyTransceiver>> units;
    std::vector<std::string> shown;
};

// Every unit is up before the first path is printed: a unit that cannot be started stops the
// program before a client is told of any port.
Bench startBench(const CommandLine& line) {
    Bench bench;
    for (int unit = 1; unit <= line.count; ++unit) {
        bench.units.push_back(std::make_unique<PtyTransceiver>(unitOptions(line, unit)));
    }
    for (const auto& unit : bench.units) {
        bench.shown.push_back(unit->portPath());
        std::printf("%s\n", bench.shown.back().c_str());
    }
    std::fflush(stdout);
    return bench;
}

// A port moved by a hang-up: alone on its line when there is one unit; after its
// unit's number ("2 /dev/pts/9") when there are more.
void showMovedPorts(Bench& bench) {
    bool moved = false;
    for (std::size_t i = 0; i < bench.units.size(); ++i) {
        if (std::string path = bench.units[i]->portPath(); path != bench.shown[i]) {
            bench.shown[i] = std::move(path);
            if (bench.units.size() == 1) {
                std::printf("%s\n", bench.shown[i].c_str());
            } else {
                std::printf("%zu %s\n", i + 1, bench.shown[i].c_str());
            }
            moved = true;
        }
    }
    if (moved) {
        std::fflush(stdout);
    }
}

int serve(const CommandLine& line) {
    const sigset_t stopSignals = blockStopSignals();
    try {
        Bench bench = startBench(line);
        const timespec period{0, kPathCheckNanoseconds};
        while (sigtimedwait(&stopSignals, nullptr, &period) < 0) {
            showMovedPorts(bench);
        }
    } catch (const std::exception& e) {
        std::cerr << "rkt5-sim: " << e.what() << "\n";
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::optional<CommandLine> line = readCommandLine(argc, argv);
    if (!line) {
        return 2;
    }
    if (line->help) {
        std::cout << usageText();
        return 0;
    }
    if (line->version) {
        std::cout << "rkt5-sim " << RKT5_VERSION << "\n";
        return 0;
    }
    return serve(*line);
}
