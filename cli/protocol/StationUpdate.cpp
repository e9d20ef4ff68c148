#include "cli/protocol/StationUpdate.h"

#include <QCoreApplication>
#include <QTimer>
#include <atomic>
#include <csignal>
#include <filesystem>
#include <ostream>

#include "cli/protocol/StandardErrorTerminal.h"
#include "cli/protocol/StationProgress.h"
#include "cli/protocol/TerminalProgress.h"
#include "cli/protocol/UnitLabels.h"
#include "common/RunTimeError.h"
#include "flash/AccessWord.h"
#include "image/FlashImage.h"
#include "image/StartupImage.h"
#include "serial/SystemPorts.h"
#include "station/Station.h"

namespace rkt5::cli {

namespace {

// How often the run looks whether Ctrl+C was pressed, to say what it does about it: soon enough for
// a person, rare enough to cost nothing.
constexpr std::chrono::milliseconds kInterruptCheck{100};

std::atomic<bool> interruptRequested{false};

extern "C" void onInterrupt(int) {
    interruptRequested = true;
    // A second Ctrl+C ends the program at once, for a user who will not wait.
    std::signal(SIGINT, SIG_DFL);
}

// The ports the options name: each --port in order, then with --all every USB serial adapter
// not named already.
std::vector<StationPort> chosenPorts(const LinkOptions& options) {
    const std::vector<SystemPort> listed = describeSystemPorts();
    PortNames names;
    names.setListedPorts(listed);
    std::vector<StationPort> ports = options.port().empty()
                                         ? std::vector<StationPort>{}
                                         : portsOfArguments(options.ports, names, listed);
    if (options.allAdapters) {
        for (StationPort& adapter : usbAdapterPorts(names, listed)) {
            if (std::ranges::find(ports, adapter.device, &StationPort::device) == ports.end()) {
                ports.push_back(std::move(adapter));
            }
        }
    }
    return ports;
}

// What the run prints: one port as a single update always has (its progress line, the reason,
// the message), several as a line per port and a summary at the end.
class UpdateReport {
  public:
    UpdateReport(const std::vector<StationPort>& ports, std::uint32_t endAddress,
                 const CommandIo& io)
        : ports_(ports),
          io_(io),
          endAddress_(endAddress),
          single_(standardErrorIsTerminal() && ports.size() == 1 ? stderr : nullptr),
          lines_(stderr, ports.size() > 1 && standardErrorRedrawsLines(), ports, endAddress),
          results_(ports.size()) {}

    bool several() const { return ports_.size() > 1; }

    void started(std::size_t unit) {
        if (several()) {
            lines_.started(unit);
        }
    }
    void progressed(const std::string& device, int row) {
        if (several()) {
            lines_.progressed(unitOf(device), row);
        } else {
            single_.update(FlashImage::addressOf(row), endAddress_);
        }
    }
    void finished(const UnitResult& result) {
        results_[unitOf(result.port.device)] = result;
        if (several()) {
            lines_.finished(unitOf(result.port.device), result);
            if (!result.recordNote.empty()) {
                lines_.note("rkt5-flash: " + result.port.name() + ": " + result.recordNote);
            }
            return;
        }
        single_.finish(result.outcome.succeeded);
        if (!result.outcome.succeeded && !result.outcome.reason.empty()) {
            io_.err << "rkt5-flash: "
                    << (result.interrupted ? reasonAndWhatItLeaves(result.outcome)
                                           : result.outcome.reason)
                    << std::endl;
        }
        if (!result.recordNote.empty()) {
            io_.err << "rkt5-flash: " << result.recordNote << std::endl;
        }
        io_.out << result.outcome.message.text << std::endl;
    }
    void stopping() {
        const std::string note =
            "rkt5-flash: stopping: each port ends the exchange under way and "
            "sends nothing more (Ctrl+C again quits at once)";
        several() ? lines_.note(note) : void(io_.err << "\n" << note << std::endl);
    }
    // The summary; the exit code.
    int end() {
        if (several()) {
            io_.out << stationSummary(results_) << std::flush;
        }
        const bool allCompleted = std::ranges::all_of(
            results_, [](const UnitResult& result) { return result.outcome.succeeded; });
        return allCompleted ? kExitOk : kExitFailed;
    }

  private:
    std::size_t unitOf(const std::string& device) const {
        return static_cast<std::size_t>(std::ranges::find(ports_, device, &StationPort::device) -
                                        ports_.begin());
    }

    const std::vector<StationPort>& ports_;
    const CommandIo& io_;
    std::uint32_t endAddress_;
    TerminalProgress single_;
    StationProgress lines_;
    std::vector<UnitResult> results_;
};

int runPorts(const std::vector<StationPort>& ports, const std::vector<std::string>& units,
             const LinkOptions& options, const FlashImage& image, const CommandIo& io) {
    UpdateReport report(ports, writeEndAddress(options.pinNumberText), io);
    Station station(
        {&image, options.speedIndex, options.timeout, &interruptRequested, options.pinNumberText},
        stationRecords(
            options.recordPath.value_or(""), options.logPath.value_or(""), report.several(),
            options.imagePath ? std::filesystem::path(*options.imagePath).filename().string()
                              : std::string(kStartupFirmwareVersion),
            image));
    QObject::connect(&station, &Station::progressed, [&report](const std::string& device, int row) {
        report.progressed(device, row);
    });
    QObject::connect(&station, &Station::finished,
                     [&report](const UnitResult& result) { report.finished(result); });
    QObject::connect(&station, &Station::idle, QCoreApplication::instance(),
                     &QCoreApplication::quit, Qt::QueuedConnection);

    // The handler stops the runners itself; this only tells the user what happens now.
    QTimer interruptCheck;
    QObject::connect(&interruptCheck, &QTimer::timeout, [&] {
        if (interruptRequested) {
            interruptCheck.stop();
            report.stopping();
        }
    });
    interruptCheck.start(kInterruptCheck);
    const auto previous = std::signal(SIGINT, onInterrupt);
    for (std::size_t unit = 0; unit < ports.size(); ++unit) {
        report.started(unit);
        station.start(ports[unit], units[unit]);
    }
    QCoreApplication::exec();
    std::signal(SIGINT, previous);
    return report.end();
}

}  // namespace

int runStationUpdate(const LinkOptions& options, const FlashImage& image, const CommandIo& io) {
    std::vector<StationPort> ports;
    try {
        ports = chosenPorts(options);
    } catch (const RunTimeError& bad) {
        io.err << "rkt5-flash update: --port: " << bad.what() << "\n";
        return kExitUsage;
    }
    if (ports.empty()) {
        io.err << "rkt5-flash update: --all: the system lists no USB serial adapter\n";
        return kExitFailed;
    }
    std::vector<std::string> units;
    try {
        units = unitLabels(ports, options.units);
    } catch (const RunTimeError& bad) {
        io.err << "rkt5-flash update: --unit: " << bad.what() << "\n";
        return kExitUsage;
    }
    if (options.recordPath) {
        if (const auto why = whyRecordRefused(*options.recordPath)) {
            io.err << "rkt5-flash update: --record: " << *why << "\n";
            return kExitFailed;
        }
    }
    if (ports.size() > 1 && options.logPath && !makeLogFolder(*options.logPath)) {
        io.err << "rkt5-flash update: --log: '" << *options.logPath
               << "' is no folder the logs can go to\n";
        return kExitFailed;
    }
    return runPorts(ports, units, options, image, io);
}

}  // namespace rkt5::cli
