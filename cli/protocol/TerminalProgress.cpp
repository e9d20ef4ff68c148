#include "cli/protocol/TerminalProgress.h"

#include <algorithm>
#include <cmath>

#include "common/WireProtocol.h"

namespace rkt5 {

TerminalProgress::TerminalProgress(std::FILE* out) : out_(out) {}

std::string TerminalProgress::lineText(std::uint32_t address, std::uint32_t endAddress,
                                       std::chrono::duration<double> elapsed) {
    const double total = endAddress > wire::kFlashBase ? endAddress - wire::kFlashBase : 1;
    const double done = address > wire::kFlashBase ? address - wire::kFlashBase : 0;
    const double share = std::min(done / total, 1.0);
    const double seconds = elapsed.count();
    const double rate = seconds > 0 ? done / seconds : 0;

    constexpr int kBarWidth = 24;
    const int filled = static_cast<int>(std::lround(share * kBarWidth));
    std::string bar(static_cast<std::size_t>(filled), '#');
    bar.resize(kBarWidth, '.');

    char left[32] = "--:--";
    if (rate > 0) {
        const long remaining = std::lround((total - done) / rate);
        std::snprintf(left, sizeof left, "%ld:%02ld", remaining / 60, remaining % 60);
    }
    char line[128];
    std::snprintf(line, sizeof line, "%05X [%s] %3d%%  %6.1f KB/s  %s left",
                  static_cast<unsigned>(address), bar.c_str(),
                  static_cast<int>(std::floor(share * 100)), rate / 1024, left);
    return line;
}

void TerminalProgress::update(std::uint32_t address, std::uint32_t endAddress,
                              Clock::time_point now) {
    if (out_ == nullptr) {
        return;
    }
    address_ = address;
    endAddress_ = endAddress;
    if (!started_) {
        started_ = true;
        start_ = now;
    } else if (now - lastDraw_ < kRedrawInterval) {
        return;
    }
    draw(now);
}

void TerminalProgress::draw(Clock::time_point now) {
    lastDraw_ = now;
    std::string line = lineText(address_, endAddress_, now - start_);
    // Going back to the start of the line overwrites only as much as is written anew.
    drawnWidth_ = std::max(drawnWidth_, line.size());
    line.resize(drawnWidth_, ' ');
    std::fprintf(out_, "\r%s", line.c_str());
    std::fflush(out_);
}

void TerminalProgress::finish(bool completed) {
    if (out_ == nullptr || !started_) {
        return;
    }
    // The end, or the last address visited, which the redraw interval may have skipped.
    if (completed) {
        address_ = endAddress_;
    }
    draw(Clock::now());
    std::fputc('\n', out_);
    std::fflush(out_);
    started_ = false;
    drawnWidth_ = 0;
}

}  // namespace rkt5
