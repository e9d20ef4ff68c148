#include "link/ReplyTimer.h"

namespace rkt5 {

ReplyTimer::ReplyTimer() {
    timer_.setSingleShot(true);
    // A coarse timer may end the wait up to 5% early; the transceiver is owed its full period.
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(kDefaultInterval);
    QObject::connect(&timer_, &QTimer::timeout, [this] { Timer1_Timer(); });
}

void ReplyTimer::setInterval(std::chrono::milliseconds interval) {
    timer_.setInterval(interval);
}

std::chrono::milliseconds ReplyTimer::interval() const {
    return timer_.intervalAsDuration();
}

void ReplyTimer::arm() {
    timer_.start();
}

void ReplyTimer::disarm() {
    timer_.stop();
}

bool ReplyTimer::armed() const {
    return timer_.isActive();
}

void ReplyTimer::Timer1_Timer() {
    // A single-shot QTimer has already stopped itself; the stop says what the tick means.
    timer_.stop();
}

}  // namespace rkt5
