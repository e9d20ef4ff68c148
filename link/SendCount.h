#pragma once

#include <algorithm>
#include <cstdint>
#include <span>
#include <vector>

namespace rkt5 {

// The sends of a link, counted the way the transceiver sees them: an exchange that begins with the
// same bytes as the one before it is a resend of them.
class SendCount {
  public:
    // Notes an exchange beginning with `bytes`; gives its send number: 1 for new bytes, one more
    // for each resend of them.
    int note(std::span<const std::uint8_t> bytes) {
        const bool resend = std::ranges::equal(bytes, lastBegun_);
        number_ = resend ? number_ + 1 : 1;
        if (!resend) {
            lastBegun_.assign(bytes.begin(), bytes.end());
        }
        ++sends_;
        resends_ += resend ? 1 : 0;
        return number_;
    }

    int sends() const { return sends_; }
    int resends() const { return resends_; }

  private:
    std::vector<std::uint8_t> lastBegun_;
    int number_ = 0;
    int sends_ = 0;
    int resends_ = 0;
};

}  // namespace rkt5
