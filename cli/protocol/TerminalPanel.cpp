#include "cli/protocol/TerminalPanel.h"

#include <charconv>

namespace rkt5 {

void TerminalPanel::showAddress(const std::string& text) {
    std::uint32_t address = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), address, 16);
    if (error == std::errc{} && end == text.data() + text.size()) {
        progress_.update(address, endAddress_);
    }
}

}  // namespace rkt5
