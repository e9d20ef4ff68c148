#include "cli/protocol/StationUpdate.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include <QCoreApplication>
#include <QTimer>
#include <atomic>
#include <csignal>
#include <filesystem>
#include <ostream>

#include "cli/protocol/StationProgress.h"
#include "cli/protocol/TerminalProgress.h"
#include "common/RunTimeError.h"
#include "common/WireProtocol.h"
#include "image/RegionChecksum.h"
#include "image/StartupImage.h"
#include "link/SystemPorts.h"
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

bool standardErrorIsTerminal() {
#ifdef _WIN32
    return _isatty(_fileno(stderr)) != 0;
#else
    return isatty(STDERR_FILENO) != 0;
#endif
}

// The ports the options name: each --port in order, then with --all every USB serial adapter
// not named already.
std::vector<StationPort> chosenPorts(const LinkOptions& options) {
    const std::vector<SystemPort> listed = describeSystemPorts();
    PortNames names;
    names.setListedPorts(devicesOf(listed));
    std::vector<StationPort> ports = options.ports.empty() || options.ports.front().empty()
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

StationRecords recordsOf(const LinkOptions& options, const FlashImage& image, bool several) {
    StationRecords records;
    records.recordPath = options.recordPath.value_or("");
    if (options.logPath) {
        (several ? records.logFolder : records.logPath) = *options.logPath;
    }
    records.firmware.name = options.imagePath
                                ? std::filesystem::path(*options.imagePath).filename().string()
                                : std::string(kStartupFirmwareVersion);
    records.firmware.checksum = regionChecksum(image, "C0000", "FFFFF").text;
    return records;
}

// What one port prints, as a single update always has.
struct SinglePortOutput {
    TerminalProgress line{standardErrorIsTerminal() ? stderr : nullptr};

    void progressed(int row) {
        line.update(static_cast<std::uint32_t>(row) << 4, wire::kTopBlockStart);
    }
    void finished(const UnitResult& result, const CommandIo& io) {
        line.finish();
        if (!result.outcome.succeeded && !result.outcome.reason.empty()) {
            io.err << "rkt5-flash: " << result.outcome.reason;
            if (result.interrupted) {
                io.err << "; " << whatItLeaves(result.outcome);
            }
            io.err << std::endl;
        }
        io.out << result.outcome.message.text << std::endl;
    }
};

int runPorts(const std::vector<StationPort>& ports, const LinkOptions& options,
             const FlashImage& image, const CommandIo& io) {
    const bool several = ports.size() > 1;
    Station station({&image, options.speedIndex, options.timeout, &interruptRequested},
                    recordsOf(options, image, several));
    SinglePortOutput single;
    StationProgress progress(stderr, standardErrorIsTerminal(), ports);
    std::vector<UnitResult> results(ports.size());
    const auto unitOf = [&ports](const std::string& device) {
        return static_cast<std::size_t>(std::ranges::find(ports, device, &StationPort::device) -
                                        ports.begin());
    };
    QObject::connect(&station, &Station::progressed, [&](const std::string& device, int row) {
        several ? progress.progressed(unitOf(device), row) : single.progressed(row);
    });
    QObject::connect(&station, &Station::finished, [&](const UnitResult& result) {
        results[unitOf(result.port.device)] = result;
        if (several) {
            progress.finished(unitOf(result.port.device), result);
        } else {
            single.finished(result, io);
        }
    });
    QObject::connect(&station, &Station::recordFailed,
                     [&io](const std::string& why) { io.err << "rkt5-flash: " << why << "\n"; });
    QObject::connect(&station, &Station::idle, QCoreApplication::instance(),
                     &QCoreApplication::quit, Qt::QueuedConnection);

    // The handler stops the runners itself; this only tells the user what happens now.
    bool interruptNoted = false;
    QTimer interruptCheck;
    QObject::connect(&interruptCheck, &QTimer::timeout, [&] {
        if (interruptRequested && !interruptNoted) {
            interruptNoted = true;
            const std::string note =
                "rkt5-flash: stopping: each port ends the exchange under way and sends nothing "
                "more (Ctrl+C again quits at once)";
            several ? progress.note(note) : void(io.err << "\n" << note << std::endl);
        }
    });
    interruptCheck.start(kInterruptCheck);
    const auto previous = std::signal(SIGINT, onInterrupt);
    for (std::size_t unit = 0; unit < ports.size(); ++unit) {
        if (several) {
            progress.started(unit);
        }
        station.start(ports[unit]);
    }
    QCoreApplication::exec();
    std::signal(SIGINT, previous);

    if (several) {
        io.out << stationSummary(results) << std::flush;
    }
    const bool allCompleted = std::ranges::all_of(
        results, [](const UnitResult& result) { return result.outcome.succeeded; });
    return allCompleted ? kExitOk : kExitFailed;
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
    if (ports.size() > 1 && options.logPath) {
        std::error_code error;
        std::filesystem::create_directories(*options.logPath, error);
        if (!std::filesystem::is_directory(*options.logPath)) {
            io.err << "rkt5-flash update: --log: '" << *options.logPath
                   << "' is no folder the logs can go to\n";
            return kExitFailed;
        }
    }
    return runPorts(ports, options, image, io);
}

}  // namespace rkt5::cli
