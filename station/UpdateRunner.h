#pragma once

#include <QDeadlineTimer>
#include <QObject>
#include <QThread>
#include <atomic>
#include <chrono>
#include <memory>
#include <string>

#include "image/FlashImage.h"
#include "station/UnitResult.h"

namespace rkt5 {

// What every unit's update shares.
struct UpdateSettings {
    const FlashImage* image = nullptr;  // read by every runner at once, written by none
    int speedIndex = 2;                 // the speed option: 0 9600, 1 38400, 2 57600
    std::chrono::milliseconds timeout{5000};
    // Set from anywhere, a signal handler included, it stops every runner as stop() stops one.
    const std::atomic<bool>* interrupt = nullptr;
    // What the pin-number box holds for every unit: the access word lets the erase and the
    // write reach the top block.
    std::string pinNumberText;
};

// The "Start" sequence for one transceiver, run in a thread of its own: its own port, link and
// reply timer, and its own event loop to wait in, so that any number of runners wait at once and
// none ever waits inside another's wait. Progress and the end cross to the runner's thread as
// queued signals.
class UpdateRunner : public QObject {
    Q_OBJECT

  public:
    // `logPath`: where to write the exchange log; empty for none.
    UpdateRunner(StationPort port, UpdateSettings settings, std::string logPath = {},
                 QObject* parent = nullptr);
    ~UpdateRunner() override;  // stops the run and waits for its thread

    const StationPort& port() const { return port_; }

    // Starts the run; a runner runs once.
    void start();
    // From now on no send starts; the one under way ends as usual. Safe from any thread, and
    // from a signal handler's wake-up.
    void stop();
    // Blocks until the run's thread has ended (finished has been emitted, maybe not delivered),
    // or `deadline` has passed; false when the thread still runs.
    bool wait(QDeadlineTimer deadline = QDeadlineTimer(QDeadlineTimer::Forever));

  signals:
    // The row being written, 0xC000 to 0xFFFF, as the window's bar shows it.
    void progressed(int row);
    void finished(rkt5::UnitResult result);

  private:
    UnitResult run();

    StationPort port_;
    UpdateSettings settings_;
    std::string logPath_;
    std::atomic<bool> stop_{false};
    std::unique_ptr<QThread> thread_;
};

}  // namespace rkt5
