#include "flash/LinkThread.h"

#include <exception>
#include <utility>

#include "serial/SystemSerialPort.h"

namespace rkt5 {

// The panel of an operation on the link thread: it answers from the choices taken when the
// operation was handed over, and what it shows leaves as the thread's signals.
class LinkThread::Panel : public FlashPanel {
  public:
    Panel(LinkThread& thread, const OperationChoices& choices)
        : thread_(thread), choices_(choices) {}

    std::string txtPinNumber() const override { return choices_.pinNumberText; }
    bool portOption(int index) const override { return index == choices_.pinFunction; }
    void showAddress(const std::string& text) override {
        emit thread_.addressShown(QString::fromStdString(text));
    }
    void setProgress(int row) override { emit thread_.progressed(row); }

  private:
    LinkThread& thread_;
    const OperationChoices& choices_;
};

LinkThread::LinkThread(const FlashImage& image, QObject* parent) : QObject(parent), image_(image) {
    qRegisterMetaType<LinkRun>();
    thread_.reset(QThread::create([this] { serve(); }));
    thread_->start();
}

LinkThread::~LinkThread() {
    stop();
    {
        const std::lock_guard lock(mutex_);
        quitting_ = true;
    }
    changed_.notify_all();
    // The operation under way ends at its next send, and each of its waits has a bound.
    thread_->wait();
}

void LinkThread::setReplyTime(std::chrono::milliseconds time) {
    const std::lock_guard lock(mutex_);
    replyTime_ = time;
}

void LinkThread::setLog(ExchangeLog log) {
    const std::lock_guard lock(mutex_);
    newLog_ = std::move(log);
}

void LinkThread::setInterrupt(const std::atomic<bool>* interrupt) {
    interrupt_ = interrupt;
}

bool LinkThread::start(OperationChoices choices, LinkOperation operation, AfterRun after) {
    {
        const std::lock_guard lock(mutex_);
        if (running_ || quitting_) {
            return false;
        }
        running_ = true;
        stop_ = false;
        job_ = Job{std::move(choices), std::move(operation), std::move(after)};
    }
    changed_.notify_all();
    return true;
}

bool LinkThread::running() const {
    const std::lock_guard lock(mutex_);
    return running_;
}

void LinkThread::stop() {
    stop_ = true;
}

bool LinkThread::wait(QDeadlineTimer deadline) {
    std::unique_lock lock(mutex_);
    const auto ended = [this] { return !running_; };
    if (deadline.isForever()) {
        changed_.wait(lock, ended);
        return true;
    }
    return changed_.wait_for(lock, deadline.remainingTimeAsDuration(), ended);
}

// Everything the operations touch is made here, in the link's own thread.
void LinkThread::serve() {
    SystemSerialPort port;
    ChosenLine line;
    RadioLink link(port, line);
    link.setStopRequest([this] {
        const std::atomic<bool>* interrupt = interrupt_;
        return stop_ || (interrupt != nullptr && *interrupt);
    });
    for (;;) {
        Job job;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return job_ || quitting_; });
            if (!job_) {
                return;
            }
            job = std::move(*job_);
            job_.reset();
            link.Timer1.setInterval(replyTime_);
            if (newLog_) {
                link.log() = std::move(*newLog_);
                newLog_.reset();
            }
        }
        LinkRun ended = run(job, link, line);
        if (job.after) {
            std::optional<std::string> note;
            try {
                note = job.after(ended);
            } catch (const std::exception& error) {
                note = error.what();
            }
            if (note) {
                link.log().note(*note);
                ended.note = std::move(*note);
            }
        }
        {
            const std::lock_guard lock(mutex_);
            running_ = false;
        }
        changed_.notify_all();
        emit finished(ended);
    }
}

LinkRun LinkThread::run(const Job& job, RadioLink& link, ChosenLine& line) {
    const auto began = std::chrono::steady_clock::now();
    link.beginRun();
    LinkRun ended;
    try {
        line = ChosenLine(job.choices.port, job.choices.speedIndex);
        Panel panel(*this, job.choices);
        FlashContext context{link, image_, panel};
        ended.outcome = job.operation(context);
    } catch (const std::exception& error) {
        ended.outcome = {false, Message::ng("Error"), error.what()};
    }
    ended.stopped = link.stopped();
    ended.sends = link.sends().sends();
    ended.resends = link.sends().resends();
    ended.elapsed = std::chrono::steady_clock::now() - began;
    ended.ended = std::chrono::system_clock::now();
    return ended;
}

}  // namespace rkt5
