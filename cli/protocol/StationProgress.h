#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "station/UnitResult.h"

namespace rkt5 {

// The progress of several transceivers: on a terminal (`out` is then standard error) one line per
// port, redrawn in place a few times a second; otherwise one plain line per port at every tenth of
// the write, so that a log of a long run still says how far each unit got. Each port's line ends
// with its message once it has one.
class StationProgress {
  public:
    using Clock = std::chrono::steady_clock;

    // The write of every unit ends below `endAddress`.
    StationProgress(std::FILE* out, bool terminal, std::vector<StationPort> ports,
                    std::uint32_t endAddress);

    void started(std::size_t unit, Clock::time_point now = Clock::now());
    void progressed(std::size_t unit, int row, Clock::time_point now = Clock::now());
    void finished(std::size_t unit, const UnitResult& result);
    // A line of its own below the ports' lines (the note that a stop was asked for).
    void note(const std::string& text);

  private:
    static constexpr std::chrono::milliseconds kRedrawInterval{200};

    struct Unit {
        StationPort port;
        Clock::time_point began{};
        std::string line;  // what follows the port's name
        int tenthsShown = 0;
    };

    void show(std::size_t unit, Clock::time_point now, bool always);
    void redraw();
    std::string label(std::size_t unit) const;

    std::FILE* out_;
    bool terminal_;
    std::uint32_t endAddress_;
    std::vector<Unit> units_;
    std::size_t labelWidth_ = 0;
    bool drawn_ = false;
    std::size_t lineWidth_ = 0;  // of the widest line drawn
    Clock::time_point lastDraw_{};
};

// The summary at the end of a run: one line per port (name, adapter serial number, message,
// seconds, and for a failure the reason and what it leaves the transceiver in), then the totals.
std::string stationSummary(const std::vector<UnitResult>& results);

}  // namespace rkt5
