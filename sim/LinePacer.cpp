#include "sim/LinePacer.h"

#include <algorithm>

namespace rkt5::sim {

namespace {
constexpr long long kBitsPerByte = 10;  // start bit, 8 data bits, stop bit
}

LinePacer::Clock::duration LinePacer::byteTime(int bitsPerSecond) {
    if (bitsPerSecond <= 0) {
        return Clock::duration::zero();
    }
    return std::chrono::duration_cast<Clock::duration>(
        std::chrono::nanoseconds(kBitsPerByte * 1'000'000'000LL / bitsPerSecond));
}

void LinePacer::enqueue(std::span<const std::uint8_t> bytes, Clock::duration byteTime,
                        Clock::duration gapBefore, Clock::time_point now) {
    if (bytes.empty()) {
        return;
    }
    if (gapBefore > Clock::duration::zero()) {
        const Clock::time_point ready = std::max(lineFree_, now) + gapBefore;
        const auto later = std::find_if(held_.begin(), held_.end(),
                                        [ready](const HeldPiece& p) { return p.ready > ready; });
        held_.insert(later, {{bytes.begin(), bytes.end()}, byteTime, ready});
        return;
    }
    Clock::time_point due = std::max(lineFree_, now);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        due += byteTime;
        queue_.push_back({bytes[i], due, i + 1 == bytes.size()});
    }
    lineFree_ = due;
}

void LinePacer::release(Clock::time_point now) {
    while (!held_.empty() && held_.front().ready <= now) {
        insert(held_.front());
        held_.erase(held_.begin());
    }
}

void LinePacer::insert(const HeldPiece& piece) {
    // Bytes due by the time the piece is ready have gone out; it follows them.
    const auto at = std::find_if(queue_.begin(), queue_.end(),
                                 [&](const Slot& s) { return s.due > piece.ready; });
    Clock::time_point due =
        at == queue_.begin() ? piece.ready : std::max(piece.ready, (at - 1)->due);
    std::vector<Slot> slots;
    for (std::size_t i = 0; i < piece.bytes.size(); ++i) {
        due += piece.byteTime;
        slots.push_back({piece.bytes[i], due, i + 1 == piece.bytes.size()});
    }
    const auto first = queue_.insert(at, slots.begin(), slots.end());
    // What was to follow moves back behind it.
    for (auto slot = first + static_cast<std::ptrdiff_t>(slots.size()); slot != queue_.end();
         ++slot) {
        due = std::max(slot->due, due + piece.byteTime);
        slot->due = due;
    }
    lineFree_ = std::max(lineFree_, due);
}

std::pair<std::size_t, LinePacer::Clock::time_point> LinePacer::heldBatch() const {
    const Clock::time_point timerEnd = queue_.front().due + latency_;
    std::size_t count = 0;
    while (count < queue_.size() && count < kBatchBytes && queue_[count].due <= timerEnd) {
        ++count;
    }
    return {count, count == kBatchBytes ? queue_[count - 1].due : timerEnd};
}

std::vector<std::uint8_t> LinePacer::due(Clock::time_point now) const {
    std::vector<std::uint8_t> bytes;
    if (latency_ > Clock::duration::zero()) {
        // Only whole batches; the caller removes what it wrote, and the rest is batched anew.
        if (!queue_.empty()) {
            const auto [count, handedOver] = heldBatch();
            for (std::size_t i = 0; handedOver <= now && i < count; ++i) {
                bytes.push_back(queue_[i].byte);
            }
        }
        return bytes;
    }
    for (const Slot& slot : queue_) {
        if (slot.due > now) {
            break;
        }
        bytes.push_back(slot.byte);
    }
    return bytes;
}

void LinePacer::remove(std::size_t count) {
    queue_.erase(queue_.begin(),
                 queue_.begin() + static_cast<std::ptrdiff_t>(std::min(count, queue_.size())));
}

std::optional<LinePacer::Clock::time_point> LinePacer::nextWake(Clock::time_point now) const {
    const auto wake = queueWake(now);
    if (held_.empty()) {
        return wake;
    }
    return wake ? std::min(*wake, held_.front().ready) : held_.front().ready;
}

std::optional<LinePacer::Clock::time_point> LinePacer::queueWake(Clock::time_point now) const {
    if (queue_.empty()) {
        return std::nullopt;
    }
    if (latency_ > Clock::duration::zero()) {
        return heldBatch().second;
    }
    const auto pieceEnd =
        std::find_if(queue_.begin(), queue_.end(), [](const Slot& s) { return s.lastOfPiece; });
    // The batch counts from the first byte not yet due.
    const auto pending =
        std::find_if(queue_.begin(), queue_.end(), [now](const Slot& s) { return s.due > now; });
    const std::size_t first = static_cast<std::size_t>(pending - queue_.begin());
    const Slot& batchFull = queue_[std::min(first + kBatchBytes, queue_.size()) - 1];
    const Clock::time_point batch =
        std::max(queue_.front().due, std::min(now + kBatchPeriod, batchFull.due));
    return pieceEnd == queue_.end() ? batch : std::min(batch, pieceEnd->due);
}

void LinePacer::clear() {
    queue_.clear();
    held_.clear();
    lineFree_ = {};
}

}  // namespace rkt5::sim
