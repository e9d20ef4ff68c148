#pragma once

#include <chrono>

#include <QTimer>

namespace rkt5 {

// Timer1: the one-shot reply time-out. An exchange arms it right after writing and disarms it when
// its bytes are in; the timer's tick disarms it when the period runs out. Both halves of a mode 2
// packet share one period.
class ReplyTimer {
  public:
    // How long the transceiver may take to echo a command and answer it.
    static constexpr std::chrono::milliseconds kDefaultInterval{5000};

    ReplyTimer();

    void setInterval(std::chrono::milliseconds interval);
    std::chrono::milliseconds interval() const;
    void arm();
    void disarm();
    bool armed() const;  // Timer1.Enabled

  private:
    void Timer1_Timer();
    QTimer timer_;
};

}  // namespace rkt5
