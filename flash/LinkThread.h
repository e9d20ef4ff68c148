#pragma once

#include <QDeadlineTimer>
#include <QObject>
#include <QString>
#include <QThread>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "flash/Sequences.h"
#include "image/FlashImage.h"
#include "link/ChosenLine.h"
#include "link/ExchangeLog.h"
#include "link/ReplyTimer.h"
#include "serial/PortIdentity.h"

namespace rkt5 {

// What an operation reads of the operator's side, taken as it stood when the operation was handed
// over, so that nothing typed or clicked meanwhile changes a run.
struct OperationChoices {
    PortIdentity port;
    int speedIndex = 2;  // 0 9600, 1 38400, 2 57600
    std::string pinNumberText;
    int pinFunction = 3;  // the pin option: 0 drive low, 1 drive high, 2 input, 3 read
};

// One operation as the link thread runs it: a sequence, a panel step, the pin command. It gets
// the link, the image and a panel that reports to the thread's signals.
using LinkOperation = std::function<Outcome(FlashContext&)>;

// How one operation ended.
struct LinkRun {
    Outcome outcome;
    bool stopped = false;  // a stop ended it before the next send
    int sends = 0;
    int resends = 0;
    std::chrono::duration<double> elapsed{};
    std::chrono::system_clock::time_point ended{};
    std::string note;  // what the step after the operation had to say, or nothing
};

// What must be done on the link thread after an operation and before anyone hears of its end,
// such as putting its record row on the disk. What it returns is written to the log and comes
// with the end as its note.
using AfterRun = std::function<std::optional<std::string>(const LinkRun&)>;

// One link to one transceiver on a thread of its own: the thread owns the serial port, Timer1 and
// the RadioLink, and runs one operation at a time. Inside an operation there is no event loop:
// each wait blocks the thread until bytes come or Timer1's deadline passes. The address, the row
// being written and the end arrive as queued signals in the thread that made the object, so a
// window, a station or a terminal program is only a view of them.
class LinkThread : public QObject {
    Q_OBJECT

  public:
    // `image` is read while an operation runs: it may change only between operations.
    explicit LinkThread(const FlashImage& image, QObject* parent = nullptr);
    // Stops an operation under way and waits for it to end, which its bounded waits ensure.
    ~LinkThread() override;
    LinkThread(const LinkThread&) = delete;
    LinkThread& operator=(const LinkThread&) = delete;

    // From the next operation on, the reply time-out (Timer1's period) and the log of every
    // exchange.
    void setReplyTime(std::chrono::milliseconds time);
    void setLog(ExchangeLog log);
    // Set from anywhere, a signal handler included, it stops the operation as stop() does.
    void setInterrupt(const std::atomic<bool>* interrupt);

    // Hands `operation` to the thread with `choices`, and `after` to follow it. While another
    // runs it is refused: false, and nothing is sent or changed.
    bool start(OperationChoices choices, LinkOperation operation, AfterRun after = {});
    // True from a start until the operation has ended (its finished signal may still be on its
    // way).
    bool running() const;
    // From now on no send starts; the one under way ends as usual. Safe from any thread.
    void stop();
    // Blocks until no operation runs or `deadline` has passed; false when one still runs.
    bool wait(QDeadlineTimer deadline);

  signals:
    void addressShown(const QString& text);
    void progressed(int row);
    void finished(const rkt5::LinkRun& run);

  private:
    struct Job {
        OperationChoices choices;
        LinkOperation operation;
        AfterRun after;
    };
    class Panel;

    // The thread's body: makes the port and the link, then runs each job handed over.
    void serve();
    LinkRun run(const Job& job, RadioLink& link, ChosenLine& line);

    const FlashImage& image_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::optional<Job> job_;
    bool running_ = false;
    bool quitting_ = false;
    std::chrono::milliseconds replyTime_ = ReplyTimer::kDefaultInterval;
    std::optional<ExchangeLog> newLog_;
    std::atomic<bool> stop_{false};
    std::atomic<const std::atomic<bool>*> interrupt_{nullptr};
    std::unique_ptr<QThread> thread_;
};

}  // namespace rkt5

Q_DECLARE_METATYPE(rkt5::LinkRun)
