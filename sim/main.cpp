// rkt5-sim: the simulated transceiver as a program, for the terminal, the demo and benchmarks.

#include <csignal>
#include <cstdio>
#include <ctime>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "sim/CommandLine.h"
#include "sim/FlashFile.h"
#include "sim/PtyTransceiver.h"

namespace {

constexpr long kPathCheckNanoseconds = 200'000'000;

}  // namespace

int main(int argc, char** argv) {
    using namespace rkt5::sim;
    CommandLine line;
    try {
        line = parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
        if (!line.flashInPath.empty()) {
            line.options.initialFlash = readFlashFile(line.flashInPath);
        }
    } catch (const std::exception& e) {
        std::cerr << "rkt5-sim: " << e.what() << "\nTry 'rkt5-sim --help'.\n";
        return 2;
    }
    if (line.help) {
        std::cout << usageText();
        return 0;
    }
    if (line.version) {
        std::cout << "rkt5-sim " << RKT5_VERSION << "\n";
        return 0;
    }

    // Signals are taken synchronously below; blocked before the server thread starts so that it
    // inherits the mask and never sees them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    try {
        PtyTransceiver transceiver(line.options);
        std::string shown = transceiver.portPath();
        std::printf("%s\n", shown.c_str());
        std::fflush(stdout);
        const timespec period{0, kPathCheckNanoseconds};
        while (sigtimedwait(&stopSignals, nullptr, &period) < 0) {
            if (const std::string path = transceiver.portPath(); path != shown) {
                shown = path;
                std::printf("%s\n", shown.c_str());
                std::fflush(stdout);
            }
        }
    } catch (const std::exception& e) {
        std::cerr << "rkt5-sim: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
