#include "link/EchoAlignedBuffer.h"

#include <algorithm>

namespace rkt5 {

void EchoAlignedBuffer::start(std::span<const std::uint8_t> written) {
    written_.assign(written.begin(), written.end());
    received_.clear();
    taken_ = 0;
    dropped_ = 0;
    broken_ = false;
}

void EchoAlignedBuffer::extend(std::span<const std::uint8_t> written) {
    written_.insert(written_.end(), written.begin(), written.end());
    realign();
}

void EchoAlignedBuffer::append(std::span<const std::uint8_t> arrived) {
    if (broken_) {
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

bool EchoAlignedBuffer::agreesFrom(std::size_t from) const {
    const std::size_t overlap = std::min(received_.size() - from, written_.size());
    return std::equal(written_.begin(), written_.begin() + static_cast<std::ptrdiff_t>(overlap),
                      received_.begin() + static_cast<std::ptrdiff_t>(from));
}

void EchoAlignedBuffer::realign() {
    if (broken_ || agreesFrom(0)) {
        return;
    }
    if (taken_ > 0) {
        // Part of this echo has been handed out already; it cannot be given back for a better one.
        received_.resize(taken_);
        broken_ = true;
        return;
    }
    // The echo starts further on: everything before it belongs to an earlier exchange.
    std::size_t start = 1;
    while (start < received_.size() && !agreesFrom(start)) {
        ++start;
    }
    received_.erase(received_.begin(), received_.begin() + static_cast<std::ptrdiff_t>(start));
    dropped_ += start;
}

}  // namespace rkt5
