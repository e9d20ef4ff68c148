#pragma once

#include <string>

#include "cli/protocol/TerminalProgress.h"
#include "flash/FlashPanel.h"

namespace rkt5 {

// The flash operations' panel for the terminal: the pin-number box is the access word or pin
// given on the command line, the pin function a single choice, and the address display drives
// the progress line.
class TerminalPanel : public FlashPanel {
  public:
    TerminalPanel(std::string pinNumberText, int pinFunction, TerminalProgress& progress);

    std::string txtPinNumber() const override { return pinNumberText_; }
    bool portOption(int index) const override { return index == pinFunction_; }
    void showAddress(const std::string& text) override;
    void setProgress(int row) override;

  private:
    std::string pinNumberText_;
    int pinFunction_;
    TerminalProgress& progress_;
    std::uint32_t endAddress_;
};

}  // namespace rkt5
