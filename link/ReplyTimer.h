#pragma once

#include <chrono>
#include <optional>

namespace rkt5 {

// Timer1: the reply time-out, as a deadline. An exchange arms it right after writing and disarms
// it when its bytes are in; once the period has passed it is no longer armed. Both halves of a
// mode 2 packet share one period. The link's waits block until bytes come or remaining() is up.
class ReplyTimer {
  public:
    using Clock = std::chrono::steady_clock;
    // How long the transceiver may take to echo a command and answer it.
    static constexpr std::chrono::milliseconds kDefaultInterval{5000};

    void setInterval(std::chrono::milliseconds interval) { interval_ = interval; }
    std::chrono::milliseconds interval() const { return interval_; }
    void arm() { deadline_ = Clock::now() + interval_; }
    void disarm() { deadline_.reset(); }
    bool armed() const;  // Timer1.Enabled
    // The time left of the period, rounded up to whole milliseconds; none when disarmed.
    std::chrono::milliseconds remaining() const;

  private:
    std::chrono::milliseconds interval_ = kDefaultInterval;
    std::optional<Clock::time_point> deadline_;
};

}  // namespace rkt5
