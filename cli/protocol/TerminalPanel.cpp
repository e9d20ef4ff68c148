#include "cli/protocol/TerminalPanel.h"

#include <charconv>

#include "flash/AccessWord.h"

namespace rkt5 {

TerminalPanel::TerminalPanel(std::string pinNumberText, int pinFunction, TerminalProgress& progress)
    : pinNumberText_(std::move(pinNumberText)),
      pinFunction_(pinFunction),
      progress_(progress),
      endAddress_(writeEndAddress(pinNumberText_)) {}

void TerminalPanel::showAddress(const std::string& text) {
    std::uint32_t address = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), address, 16);
    if (error == std::errc{} && end == text.data() + text.size()) {
        progress_.update(address, endAddress_);
    }
}

// The address display already carries the row; the bar value adds nothing on a terminal.
void TerminalPanel::setProgress(int) {}

}  // namespace rkt5
