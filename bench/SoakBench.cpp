// Back-to-back whole updates for minutes, as a window left open all day would run them, against
// a transceiver that misbehaves at random: how the runs end, whether any success was false, and
// whether the process holds more file descriptors or memory at the end than after its first run.
//
//   rkt5-bench-soak [SECONDS]                  (default 120)
//   rkt5-bench-soak --station N [--runs M]     (default 100 runs; see StationSoak.h)
//
// One link and one port serve every run, as in the window; each run gets a new simulated
// transceiver on a new pseudo-terminal (its threads and descriptors come and go with it), faults
// drawn with the run's number as the seed, answers unpaced. With --station, each run updates N
// transceivers at once through one station instead.
#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench/ProcessFigures.h"
#include "bench/StationSoak.h"
#include "bench/WrittenFlash.h"
#include "firmware/FirmwareLines.h"
#include "flash/FlashPanel.h"
#include "flash/Sequences.h"
#include "image/StartupImage.h"
#include "link/ChosenLine.h"
#include "serial/PortNames.h"
#include "serial/QtSerialPort.h"
#include "sim/PtyTransceiver.h"

namespace {

using namespace std::chrono_literals;
using rkt5::bench::openDescriptors;
using rkt5::bench::residentMegabytes;

class QuietPanel : public rkt5::FlashPanel {
  public:
    std::string txtPinNumber() const override { return {}; }
    bool portOption(int index) const override { return index == 3; }
    void showAddress(const std::string&) override {}
    void setProgress(int) override {}
};

// Updates through one link for `duration`, one new transceiver after another; the exit code.
int linkSoak(std::chrono::seconds duration) {
    auto image = std::make_unique<rkt5::FlashImage>();
    auto table = std::make_unique<rkt5::FirmwareTable>();
    rkt5::buildStartupImage(*image, *table);
    rkt5::QtSerialPort port;
    rkt5::ChosenLine choice;
    rkt5::RadioLink link(port, choice);
    link.Timer1.setInterval(250ms);  // unpaced answers come at once
    QuietPanel panel;
    rkt5::FlashContext context{link, *image, panel};

    std::map<std::string, int> outcomes;
    int runs = 0, falseSuccesses = 0, escaped = 0, leftOpen = 0;
    long fdsAfterFirst = 0;
    double residentAfterFirst = 0;
    const auto start = std::chrono::steady_clock::now();
    // One update against a new transceiver, which is gone again when this returns.
    const auto runOnce = [&](std::uint32_t seed) {
        rkt5::sim::PtyTransceiver transceiver(
            {.pace = false, .randomFaultRate = 0.04, .seed = seed, .randomLateDelay = 400ms});
        choice.chosenPort = rkt5::PortNames::bound(1, transceiver.portPath());
        try {
            const rkt5::Outcome outcome = rkt5::startSequence(context);
            ++outcomes[outcome.message.text];
            if (outcome.succeeded &&
                !rkt5::bench::flashHoldsImage(transceiver.flashMemory(), *image)) {
                ++falseSuccesses;
            }
        } catch (...) {
            ++escaped;  // an operation must never let an error out
        }
        leftOpen += port.portOpen();
    };
    while (runs == 0 || std::chrono::steady_clock::now() - start < duration) {
        runOnce(static_cast<std::uint32_t>(++runs));
        if (runs == 1) {
            fdsAfterFirst = openDescriptors();
            residentAfterFirst = residentMegabytes();
        }
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    std::printf("%d whole updates in %.0f s against a transceiver with 4%% random faults\n\n", runs,
                seconds);
    std::printf("| outcome | runs |\n|---|---:|\n");
    for (const auto& [message, count] : outcomes) {
        std::printf("| %s | %d |\n", message.c_str(), count);
    }
    std::printf("\n| check | value |\n|---|---:|\n");
    std::printf("| false successes | %d |\n| errors escaped | %d |\n| port left open | %d |\n",
                falseSuccesses, escaped, leftOpen);
    std::printf("| open descriptors after run 1 / at the end | %ld / %ld |\n", fdsAfterFirst,
                openDescriptors());
    std::printf("| resident memory after run 1 / at the end | %.1f MB / %.1f MB |\n",
                residentAfterFirst, residentMegabytes());
    return falseSuccesses + escaped + leftOpen == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    int qtArgc = 1;
    QCoreApplication application(qtArgc, argv);
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    if (arguments.empty() || !arguments[0].starts_with("--")) {
        return linkSoak(std::chrono::seconds(
            arguments.empty() ? 120 : std::max(1, std::atoi(arguments[0].c_str()))));
    }
    int units = 0;
    int runs = 100;
    bool known = arguments.size() % 2 == 0;
    for (std::size_t i = 0; known && i < arguments.size(); i += 2) {
        const int value = std::atoi(arguments[i + 1].c_str());
        if (arguments[i] == "--station") {
            units = value;
        } else if (arguments[i] == "--runs") {
            runs = value;
        } else {
            known = false;
        }
    }
    if (!known || units < 1 || runs < 1) {
        std::fprintf(stderr, "usage: rkt5-bench-soak [SECONDS] | --station N [--runs M]\n");
        return 2;
    }
    return rkt5::bench::stationSoak(units, runs);
}
