#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace rkt5 {

// The bytes one exchange receives, lined up on the echo of what it wrote.
//
// The transceiver echoes every byte it receives and answers when it is ready, on the same line.
// So whatever comes in before the echo of this exchange's own bytes is the tail of an earlier
// exchange: an answer that came after its time-out, or the rest of a try that was cut short. Those
// bytes are dropped here; they never count and never reach RxBuffer. Such an answer can also come
// in the middle of the echo, when the transceiver has it ready while echoing the resend: a whole
// answer that interrupts the echo, which then goes on exactly where it stopped, is dropped too.
//
// Otherwise the echo must come back exactly as written, or the exchange could not tell its answer
// from anything else: a garbled or shortened echo is never found (the exchange waits out its
// time-out), or, when part of it has been taken already, marks the exchange broken. A broken
// exchange has failed, but the transceiver is still echoing and answering it: arrived() counts on,
// so that the exchange can let the try finish before the next send goes out.
class EchoAlignedBuffer {
  public:
    // A new exchange that has just written `written`: everything held so far is forgotten.
    void start(std::span<const std::uint8_t> written);
    // The same exchange writes more (the second half of a flash packet); its echo follows.
    void extend(std::span<const std::uint8_t> written);
    // Bytes as they arrive from the port.
    void append(std::span<const std::uint8_t> arrived);

    // Bytes from the echo's start on that have not been taken yet.
    int count() const;
    // Hands out those bytes and forgets them; later bytes still line up behind them.
    std::vector<std::uint8_t> take();

    // The echo differed from what was written after part of it had been taken: no answer will do.
    bool echoBroken() const { return broken_; }
    // Bytes dropped as leftovers of earlier exchanges since start(), before the echo or inside it.
    std::size_t dropped() const { return dropped_; }
    // Bytes where the echo stopped agreeing that may yet turn out to be an earlier answer: they are
    // neither counted nor dropped until the bytes behind them tell.
    std::size_t undecided() const { return held_.size(); }
    // Every byte from the echo's start on: taken, waiting, dropped inside the echo, undecided, and
    // after a break whatever followed.
    std::size_t arrived() const {
        return received_.size() + droppedInside_ + held_.size() + afterBreak_;
    }

  private:
    static constexpr std::size_t kAgrees = static_cast<std::size_t>(-1);

    // The first position at which received_ and what was written differ, as far as both go.
    std::size_t firstDifference(std::size_t from = 0) const;
    void realign();
    // The echo differs and no earlier answer explains it.
    void notTheEcho();
    // Decides about the held bytes once they show whether an earlier answer interrupted the echo.
    void settleHeld();
    // The length of the earlier answer at the front of the held bytes, 0 when they are none, or
    // nothing while they cannot tell yet.
    std::optional<std::size_t> answerInsideTheEcho() const;

    std::vector<std::uint8_t> written_;
    std::vector<std::uint8_t> received_;  // from the echo's (candidate) start on, taken ones too
    std::vector<std::uint8_t> held_;      // from where the echo stopped agreeing
    std::size_t taken_ = 0;
    std::size_t dropped_ = 0;
    std::size_t droppedInside_ = 0;  // of those, the answers that interrupted the echo
    std::size_t afterBreak_ = 0;     // bytes that arrived once the echo broke
    bool broken_ = false;
};

}  // namespace rkt5
