#include "station/UpdateRunner.h"

#include <QCoreApplication>
#include <exception>
#include <utility>

#include "flash/FlashContext.h"
#include "link/MenuLineChoice.h"
#include "link/RadioLink.h"
#include "serial/Cables.h"
#include "serial/SystemSerialPort.h"

namespace rkt5 {

namespace {

// The panel of an update nobody types into: the pin-number box holds what the settings say, and
// each row written goes out as a signal of the runner.
class RunnerPanel : public FlashPanel {
  public:
    RunnerPanel(UpdateRunner& runner, std::string pinNumberText)
        : runner_(runner), pinNumberText_(std::move(pinNumberText)) {}

    std::string txtPinNumber() const override { return pinNumberText_; }
    bool portOption(int) const override { return false; }
    void showAddress(const std::string&) override {}
    void setProgress(int row) override { emit runner_.progressed(row); }

  private:
    UpdateRunner& runner_;
    std::string pinNumberText_;
};

}  // namespace

UpdateRunner::UpdateRunner(StationPort port, UpdateSettings settings, std::string logPath,
                           QObject* parent)
    : QObject(parent), port_(std::move(port)), settings_(settings), logPath_(std::move(logPath)) {}

UpdateRunner::~UpdateRunner() {
    stop();
    wait();
}

void UpdateRunner::start() {
    if (thread_) {
        return;
    }
    thread_.reset(QThread::create([this] {
        UnitResult result = run();
        emit finished(std::move(result));
    }));
    thread_->start();
}

void UpdateRunner::stop() {
    stop_ = true;
}

bool UpdateRunner::wait(QDeadlineTimer deadline) {
    return !thread_ || thread_->wait(deadline);
}

// Everything the run touches is made here, in the run's own thread, so that the port's
// notifications and the reply timer belong to this thread's event loop.
UnitResult UpdateRunner::run() {
    const auto began = std::chrono::steady_clock::now();
    UnitResult result{.port = port_};
    SystemSerialPort serialPort;
    MenuLineChoice choice;
    RadioLink link(serialPort, choice);
    link.Timer1.setInterval(settings_.timeout);
    link.setStopRequest([this] { return stop_ || (settings_.interrupt && *settings_.interrupt); });
    try {
        choice.menu.mnuCom_Click(serialPort.names().useArgument(port_.device));
        choice.speeds.select(settings_.speedIndex);
        if (!logPath_.empty() &&
            !link.log().open(
                logPath_, QCoreApplication::applicationName().toStdString() + " update",
                [&serialPort](int n) { return serialPort.names().displayName(n); },
                [&serialPort](int n) { return cableReport(serialPort.names().deviceFor(n)); })) {
            throw std::runtime_error("cannot write the log '" + logPath_ + "'");
        }
        RunnerPanel panel(*this, settings_.pinNumberText);
        FlashContext context{link, *settings_.image, panel};
        result.outcome = startSequence(context);
    } catch (const std::exception& error) {
        result.outcome = {false, Message::ng("Error"), error.what()};
    }
    result.interrupted = link.stopped();
    result.sends = link.sends().sends();
    result.resends = link.sends().resends();
    result.elapsed = std::chrono::steady_clock::now() - began;
    result.ended = std::chrono::system_clock::now();
    return result;
}

}  // namespace rkt5
