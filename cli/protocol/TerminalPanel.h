#pragma once

#include <cstdint>
#include <string>

#include "cli/protocol/TerminalProgress.h"

namespace rkt5 {

// The terminal's view of an operation: the address display drives the progress line.
class TerminalPanel {
  public:
    // `endAddress`: where the write range ends (below the top block unless the access word was
    // given).
    TerminalPanel(std::uint32_t endAddress, TerminalProgress& progress)
        : progress_(progress), endAddress_(endAddress) {}

    void showAddress(const std::string& text);

  private:
    TerminalProgress& progress_;
    std::uint32_t endAddress_;
};

}  // namespace rkt5
