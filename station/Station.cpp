#include "station/Station.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <cctype>
#include <filesystem>
#include <utility>

#include "serial/Cables.h"

namespace rkt5 {

StationRecords stationRecords(std::string recordPath, std::string logs, bool logsInAFolder,
                              std::string firmwareName, const FlashImage& image) {
    StationRecords records;
    records.recordPath = std::move(recordPath);
    (logsInAFolder ? records.logFolder : records.logPath) = std::move(logs);
    records.run = recordedRun(std::move(firmwareName), image);
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
    // its link, which must outlive the thread).
    const std::chrono::milliseconds limit = settings_.timeout + kStopMargin;
    const QDeadlineTimer deadline(limit);
    for (auto& [device, link] : links_) {
        if (!link->wait(deadline)) {
            qWarning("%s: the update did not end within %lld ms of its stop; left running",
                     device.c_str(), static_cast<long long>(limit.count()));
            static_cast<void>(link.release());
        }
    }
    links_.clear();
}

bool Station::start(const StationPort& port, const std::string& unit) {
    if (isRunning(port.device)) {
        return false;
    }
    LinkThread& link = linkOf(port);
    const OperationChoices choices{
        {port.number, port.device, port.device}, settings_.speedIndex, settings_.pinNumberText};
    if (!link.start(choices, updateOf(port, link), recordOf(port, unit))) {
        return false;
    }
    if (!awake_) {
        awake_ = std::make_unique<KeepAwake>("RK-T5 transceivers are being written");
    }
    started_[port.device] = {port, unit};
    running_.insert(port.device);
    return true;
}

LinkThread& Station::linkOf(const StationPort& port) {
    std::unique_ptr<LinkThread>& link = links_[port.device];
    if (!link) {
        link = std::make_unique<LinkThread>(*settings_.image);
        link->setReplyTime(settings_.timeout);
        link->setInterrupt(settings_.interrupt);
        connect(link.get(), &LinkThread::progressed, this,
                [this, device = port.device](int row) { emit progressed(device, row); });
        connect(link.get(), &LinkThread::finished, this,
                [this, device = port.device](const LinkRun& run) { unitEnded(device, run); });
    }
    return *link;
}

LinkOperation Station::updateOf(const StationPort& port, LinkThread& link) const {
    const std::string logPath = logPathFor(port);
    if (!logPath.empty()) {
        ExchangeLog log;
        if (!log.open(logPath, QCoreApplication::applicationName().toStdString() + " update",
                      [](const std::string& device) { return cableReport(device); })) {
            return [why = "cannot write the log '" + logPath + "'"](FlashContext&) {
                return Outcome{false, Message::ng("Error"), why};
            };
        }
        link.setLog(std::move(log));
    }
    return [](FlashContext& context) { return startSequence(context); };
}

AfterRun Station::recordOf(const StationPort& port, const std::string& unit) const {
    if (records_.recordPath.empty()) {
        return {};
    }
    // Each link thread appends its own rows; the record's lock keeps them whole and apart.
    return [port, unit, path = records_.recordPath, run = records_.run](const LinkRun& ended) {
        return appendUnitRecord(path, unitResultOf(port, unit, ended), run);
    };
}

void Station::stop() {
    for (auto& [device, link] : links_) {
        link->stop();
    }
}

bool Station::isRunning(const std::string& device) const {
    return running_.contains(device);
}

int Station::runningCount() const {
    return static_cast<int>(running_.size());
}

void Station::unitEnded(const std::string& device, const LinkRun& run) {
    const Started& started = started_.at(device);
    const UnitResult result = unitResultOf(started.port, started.unit, run);
    running_.erase(device);
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
