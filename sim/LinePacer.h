#pragma once

// Puts bytes on the line no faster than a serial port would: each byte is due 10 bit times after
// the one before it, on an absolute schedule, so waking late never stretches the total.
// Intermediate bytes go out in batches a few milliseconds apart (cheap for both sides); the last
// byte of each piece goes out exactly when due, because that is the byte the updater waits for.
//
// A piece that comes after a pause (an answer the transceiver is slow to give) is held until it is
// ready and then goes out between the bytes already on their way, as the transceiver's UART sends
// it: it never holds back the echo of what the updater sends meanwhile, and it may land inside it.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <utility>
#include <vector>

namespace rkt5::sim {

class LinePacer {
  public:
    using Clock = std::chrono::steady_clock;

    // Intermediate bytes go out the way a common USB serial adapter hands them to the computer:
    // when its 62-byte packet is full or its 16 ms latency timer runs out, whichever comes first.
    static constexpr std::chrono::milliseconds kBatchPeriod{16};
    static constexpr std::size_t kBatchBytes = 62;

    // An adapter that is not in low-latency mode also holds the last bytes of a reply: each batch,
    // counted from its first byte, goes out when it has 62 bytes or when `latency` has passed.
    // Zero (the default) hands the last byte of each piece over when it is due.
    void setAdapterLatency(Clock::duration latency) { latency_ = latency; }

    // Time one byte takes at `bitsPerSecond` with 8N1 framing.
    static Clock::duration byteTime(int bitsPerSecond);

    // Queues `bytes`; the first is due one byte time after max(line free, now). With a gap, the
    // piece is ready `gapBefore` after that and is held until release() reaches that time.
    void enqueue(std::span<const std::uint8_t> bytes, Clock::duration byteTime,
                 Clock::duration gapBefore, Clock::time_point now);

    // Puts the held pieces that are ready by `now` on the line, behind the bytes that went out
    // before they were ready and ahead of the rest.
    void release(Clock::time_point now);

    // The bytes due at `now`, from the front of the queue; remove() what was written.
    std::vector<std::uint8_t> due(Clock::time_point now) const;
    void remove(std::size_t count);

    // When to come back to write more or release a held piece; none when nothing is queued.
    std::optional<Clock::time_point> nextWake(Clock::time_point now) const;

    bool empty() const { return queue_.empty() && held_.empty(); }
    void clear();

  private:
    // With an adapter latency: the number of bytes at the front that form the first batch, and
    // when the adapter hands that batch over.
    std::pair<std::size_t, Clock::time_point> heldBatch() const;

    struct Slot {
        std::uint8_t byte;
        Clock::time_point due;
        bool lastOfPiece;
    };
    struct HeldPiece {
        std::vector<std::uint8_t> bytes;
        Clock::duration byteTime;
        Clock::time_point ready;
    };
    std::optional<Clock::time_point> queueWake(Clock::time_point now) const;
    void insert(const HeldPiece& piece);

    std::deque<Slot> queue_;
    std::vector<HeldPiece> held_;   // in the order they are ready
    Clock::time_point lineFree_{};  // when the last queued byte has gone out
    Clock::duration latency_{};
};

}  // namespace rkt5::sim
