#pragma once

#include <QObject>
#include <chrono>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "flash/LinkThread.h"
#include "station/KeepAwake.h"
#include "station/UnitRecord.h"
#include "station/UnitResult.h"
#include "station/UpdateSettings.h"

namespace rkt5 {

// Where a station writes down what it did: a record row per unit and run, and an exchange log per
// unit and run in a folder (or, for a station of one, in one file). Empty: not written.
struct StationRecords {
    std::string recordPath;
    std::string logFolder;
    std::string logPath;
    RecordedRun run;
};

// The records of a station updating with the firmware `image`, which the record names
// `firmwareName`: the record file, and the logs in a folder or, with `logsInAFolder` false, in one
// file.
StationRecords stationRecords(std::string recordPath, std::string logs, bool logsInAFolder,
                              std::string firmwareName, const FlashImage& image);

// Makes the folder the logs go to when it is missing; false when there is no folder there after.
bool makeLogFolder(const std::string& folder);

// Many transceivers updated at once: a link thread per port, started and stopped together or one
// by one, each unit's end written to the record, and the computer kept awake while any of them
// runs. Units are known by their device; everything it reports arrives in the thread that made it.
class Station : public QObject {
    Q_OBJECT

  public:
    Station(UpdateSettings settings, StationRecords records, QObject* parent = nullptr);
    ~Station() override;  // stops every run and waits for their threads

    // Starts the update of `port`, whose transceiver the operator labelled `unit` (or not); false,
    // with nothing sent, while that port's update runs.
    bool start(const StationPort& port, const std::string& unit = {});
    // No unit sends anything more after the sends under way.
    void stop();
    bool isRunning(const std::string& device) const;
    int runningCount() const;

  signals:
    void progressed(const std::string& device, int row);
    // Its record row is on the disk by now, or its note says where the row went.
    void finished(const rkt5::UnitResult& result);
    // The last running unit ended.
    void idle();

  private:
    // How long past the reply time-out a stopped unit may take to end before it is let go: the
    // write and read bounds of the port, and time to spare.
    static constexpr std::chrono::milliseconds kStopMargin{10000};

    // The link thread of `port`, made at its first start.
    LinkThread& linkOf(const StationPort& port);
    // The update of a unit, and the log it writes when there is one.
    LinkOperation updateOf(const StationPort& port, LinkThread& link) const;
    // What follows a unit's update on its link thread: its row in the record.
    AfterRun recordOf(const StationPort& port, const std::string& unit) const;
    void unitEnded(const std::string& device, const LinkRun& run);
    std::string logPathFor(const StationPort& port) const;

    UpdateSettings settings_;
    StationRecords records_;
    std::map<std::string, std::unique_ptr<LinkThread>> links_;  // by device
    struct Started {
        StationPort port;
        std::string unit;
    };
    std::map<std::string, Started> started_;  // what each device was last started as
    std::set<std::string> running_;           // devices whose end has not come in yet
    std::unique_ptr<KeepAwake> awake_;
};

}  // namespace rkt5
