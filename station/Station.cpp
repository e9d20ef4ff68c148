#include "station/Station.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <cctype>
#include <filesystem>
#include <utility>

namespace rkt5 {

StationRecords stationRecords(std::string recordPath, std::string logs, bool logsInAFolder,
                              std::string firmwareName, const FlashImage& image) {
    StationRecords records;
    records.recordPath = std::move(recordPath);
    (logsInAFolder ? records.logFolder : records.logPath) = std::move(logs);
    records.firmware = recordedFirmware(std::move(firmwareName), image);
    return records;
}

bool makeLogFolder(const std::string& folder) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    return std::filesystem::is_directory(folder, error);
}

Station::Station(UpdateSettings settings, StationRecords records, QObject* parent)
    : QObject(parent), settings_(settings), records_(std::move(records)) {}

Station::~Station() {
    stop();
    // Each unit ends the exchange under way, whose every wait has its bound; one that has not
    // ended well past them is said to be left running rather than waited on for ever (it keeps
    // its runner, which must outlive the thread).
    const std::chrono::milliseconds limit = settings_.timeout + kStopMargin;
    const QDeadlineTimer deadline(limit);
    for (auto& [device, runner] : runners_) {
        if (!runner->wait(deadline)) {
            qWarning("%s: the update did not end within %lld ms of its stop; left running",
                     device.c_str(), static_cast<long long>(limit.count()));
            static_cast<void>(runner.release());
        }
    }
    runners_.clear();
}

bool Station::start(const StationPort& port) {
    if (isRunning(port.device)) {
        return false;
    }
    auto runner = std::make_unique<UpdateRunner>(port, settings_, logPathFor(port));
    connect(runner.get(), &UpdateRunner::progressed, this,
            [this, device = port.device](int row) { emit progressed(device, row); });
    connect(runner.get(), &UpdateRunner::finished, this, &Station::unitEnded);
    if (!awake_) {
        awake_ = std::make_unique<KeepAwake>("RK-T5 transceivers are being written");
    }
    running_.insert(port.device);
    runner->start();
    // A runner of this device that ended before is let go only now, after its last signal.
    runners_[port.device] = std::move(runner);
    return true;
}

void Station::stop() {
    for (auto& [device, runner] : runners_) {
        runner->stop();
    }
}

bool Station::isRunning(const std::string& device) const {
    return running_.contains(device);
}

int Station::runningCount() const {
    return static_cast<int>(running_.size());
}

void Station::unitEnded(const UnitResult& result) {
    running_.erase(result.port.device);
    if (!records_.recordPath.empty()) {
        if (auto why = appendUnitRecord(records_.recordPath, result, records_.firmware)) {
            emit recordFailed(*why);
        }
    }
    emit finished(result);
    if (runningCount() == 0) {
        awake_.reset();
        emit idle();
    }
}

// One log per unit and run, named after the port and the start, so that a run again keeps the
// log of the failure before it.
std::string Station::logPathFor(const StationPort& port) const {
    if (records_.logFolder.empty()) {
        return records_.logPath;
    }
    std::string name = port.number > 0 ? "COM" + std::to_string(port.number) : "port";
    std::string device = port.device.starts_with("/dev/") ? port.device.substr(5) : port.device;
    for (char& c : device) {
        c = std::isalnum(static_cast<unsigned char>(c)) ? c : '-';
    }
    if (device != name) {
        name += "-" + device;
    }
    const QString time = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    const std::filesystem::path base =
        std::filesystem::path(records_.logFolder) / (name + "-" + time.toStdString());
    // A second run of the same port within the second gets a log of its own.
    std::filesystem::path path = base.string() + ".log";
    for (int again = 2; std::filesystem::exists(path); ++again) {
        path = base.string() + "-" + std::to_string(again) + ".log";
    }
    return path.string();
}

}  // namespace rkt5
