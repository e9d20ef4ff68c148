#include "link/EchoAlignedBuffer.h"

#include <algorithm>
#include <array>

#include "common/WireProtocol.h"

namespace rkt5 {

namespace {

// The answers the transceiver may give late: "XY" CR LF, CR LF "XY" CR LF, and the 20-byte frame
// of modes 0 and 1 that starts "XY" CR LF. `crlfAt` are the positions of CR in each.
struct AnswerShape {
    std::size_t length;
    std::array<std::size_t, 2> crlfAt;
};
constexpr std::array<AnswerShape, 3> kAnswerShapes{{
    {wire::kShortReplySize, {2, 2}},
    {wire::kStatusReplySize, {0, 4}},
    {wire::kFrameReplySize, {2, 2}},
}};

// Echo bytes that must agree behind an answer before it is taken for one, so that a garbled echo
// that happens to hold CR LF is not mistaken for an answer.
constexpr std::size_t kEchoBehindAnswer = 4;

// Whether the bytes present fit the shape's CR LF positions; `whole` when all of it is there.
bool fitsShape(std::span<const std::uint8_t> bytes, const AnswerShape& shape, bool& whole) {
    whole = bytes.size() >= shape.length;
    for (const std::size_t cr : shape.crlfAt) {
        if ((cr < bytes.size() && bytes[cr] != wire::CR) ||
            (cr + 1 < bytes.size() && bytes[cr + 1] != wire::LF)) {
            return false;
        }
    }
    return true;
}

}  // namespace

void EchoAlignedBuffer::start(std::span<const std::uint8_t> written) {
    written_.assign(written.begin(), written.end());
    received_.clear();
    held_.clear();
    taken_ = 0;
    dropped_ = 0;
    droppedInside_ = 0;
    afterBreak_ = 0;
    broken_ = false;
}

void EchoAlignedBuffer::extend(std::span<const std::uint8_t> written) {
    written_.insert(written_.end(), written.begin(), written.end());
    held_.empty() ? realign() : settleHeld();
}

void EchoAlignedBuffer::append(std::span<const std::uint8_t> arrived) {
    if (broken_) {
        afterBreak_ += arrived.size();
        return;
    }
    if (!held_.empty()) {
        held_.insert(held_.end(), arrived.begin(), arrived.end());
        settleHeld();
        return;
    }
    received_.insert(received_.end(), arrived.begin(), arrived.end());
    realign();
}

int EchoAlignedBuffer::count() const {
    return static_cast<int>(received_.size() - taken_);
}

std::vector<std::uint8_t> EchoAlignedBuffer::take() {
    std::vector<std::uint8_t> bytes(received_.begin() + static_cast<std::ptrdiff_t>(taken_),
                                    received_.end());
    taken_ = received_.size();
    return bytes;
}

std::size_t EchoAlignedBuffer::firstDifference(std::size_t from) const {
    const std::size_t overlap = std::min(received_.size() - from, written_.size());
    const auto [writtenAt, receivedAt] =
        std::mismatch(written_.begin(), written_.begin() + static_cast<std::ptrdiff_t>(overlap),
                      received_.begin() + static_cast<std::ptrdiff_t>(from));
    return receivedAt == received_.begin() + static_cast<std::ptrdiff_t>(from + overlap)
               ? kAgrees
               : static_cast<std::size_t>(writtenAt - written_.begin());
}

void EchoAlignedBuffer::realign() {
    if (broken_) {
        return;
    }
    const std::size_t at = firstDifference();
    if (at == kAgrees) {
        return;
    }
    if (at > 0 && at >= taken_) {
        // The echo had begun: perhaps an earlier answer came in the middle of it.
        held_.assign(received_.begin() + static_cast<std::ptrdiff_t>(at), received_.end());
        received_.resize(at);
        settleHeld();
        return;
    }
    notTheEcho();
}

void EchoAlignedBuffer::notTheEcho() {
    if (taken_ > 0) {
        // Part of this echo has been handed out already; it cannot be given back for a better one.
        afterBreak_ += received_.size() - taken_;
        received_.resize(taken_);
        broken_ = true;
        return;
    }
    // The echo starts further on: everything before it belongs to an earlier exchange.
    std::size_t start = 1;
    while (start < received_.size() && firstDifference(start) != kAgrees) {
        ++start;
    }
    received_.erase(received_.begin(), received_.begin() + static_cast<std::ptrdiff_t>(start));
    dropped_ += start;
}

void EchoAlignedBuffer::settleHeld() {
    const std::optional<std::size_t> answer = answerInsideTheEcho();
    if (!answer) {
        return;
    }
    std::vector<std::uint8_t> rest(held_.begin() + static_cast<std::ptrdiff_t>(*answer),
                                   held_.end());
    held_.clear();
    if (*answer == 0) {
        received_.insert(received_.end(), rest.begin(), rest.end());
        notTheEcho();
        return;
    }
    dropped_ += *answer;
    droppedInside_ += *answer;
    received_.insert(received_.end(), rest.begin(), rest.end());
    realign();
}

std::optional<std::size_t> EchoAlignedBuffer::answerInsideTheEcho() const {
    const std::size_t at = received_.size();  // where the echo stopped agreeing
    bool undecided = false;
    for (const AnswerShape& shape : kAnswerShapes) {
        bool whole = false;
        if (!fitsShape(held_, shape, whole)) {
            continue;
        }
        // The echo must go on behind it exactly where it stopped.
        const std::size_t behind = whole ? held_.size() - shape.length : 0;
        const std::size_t needed = std::min(kEchoBehindAnswer, written_.size() - at);
        const std::size_t compared = std::min(behind, written_.size() - at);
        const bool agrees =
            std::equal(held_.begin() + static_cast<std::ptrdiff_t>(shape.length),
                       held_.begin() + static_cast<std::ptrdiff_t>(shape.length + compared),
                       written_.begin() + static_cast<std::ptrdiff_t>(at));
        if (whole && agrees && behind >= needed) {
            return shape.length;
        }
        undecided = undecided || !whole || (agrees && behind < needed);
    }
    return undecided ? std::nullopt : std::optional<std::size_t>(0);
}

}  // namespace rkt5
