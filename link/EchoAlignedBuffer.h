#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace rkt5 {

// The bytes one exchange receives, lined up on the echo of what it wrote.
//
// The transceiver echoes every byte it receives and then answers, in order. So whatever comes in
// before the echo of this exchange's own bytes is the tail of an earlier exchange: an answer that
// came after its time-out, or the rest of a try that was cut short. Those bytes are dropped here;
// they never count and never reach RxBuffer. The echo must come back exactly as written, or the
// exchange could not tell its answer from anything else: a garbled or shortened echo is never
// found (the exchange waits out its time-out), or, when part of it has been taken already, marks
// the exchange broken so that it stops waiting at once.
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
    // Bytes dropped as leftovers of earlier exchanges since start().
    std::size_t dropped() const { return dropped_; }

  private:
    // True when received_[from..] agrees with what was written, as far as both go.
    bool agreesFrom(std::size_t from) const;
    void realign();

    std::vector<std::uint8_t> written_;
    std::vector<std::uint8_t> received_;  // from the echo's (candidate) start on, taken ones too
    std::size_t taken_ = 0;
    std::size_t dropped_ = 0;
    bool broken_ = false;
};

}  // namespace rkt5
