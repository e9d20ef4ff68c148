#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

namespace rkt5 {

// One progress line on a terminal: the address being written, the share of the write range
// behind it, the rate through the address range and the time left, redrawn in place a few times a
// second. Draws nothing when given no terminal, so scripts and logs get only the final message.
class TerminalProgress {
  public:
    using Clock = std::chrono::steady_clock;

    // `out` is the terminal to draw on, or nullptr to stay quiet.
    explicit TerminalProgress(std::FILE* out);

    // The write reached `address`; the range ends below `endAddress`.
    void update(std::uint32_t address, std::uint32_t endAddress,
                Clock::time_point now = Clock::now());
    // Ends the line so that the next output starts on a fresh one: at 100 % when the write
    // `completed`, else at the last address it reached.
    void finish(bool completed);

    // The text of the line for a given state (also what tests read).
    static std::string lineText(std::uint32_t address, std::uint32_t endAddress,
                                std::chrono::duration<double> elapsed);

  private:
    // Redrawing more often than this only costs time; the eye cannot follow it.
    static constexpr std::chrono::milliseconds kRedrawInterval{200};

    void draw(Clock::time_point now);

    std::FILE* out_;
    Clock::time_point start_{};
    Clock::time_point lastDraw_{};
    std::uint32_t address_ = 0;
    std::uint32_t endAddress_ = 0;
    bool started_ = false;
    std::size_t drawnWidth_ = 0;  // the longest line drawn, which a shorter one must cover
};

}  // namespace rkt5
