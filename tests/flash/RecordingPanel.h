#pragma once

#include <string>
#include <vector>

#include "flash/FlashPanel.h"

namespace rkt5::test {

// The panel as the tests see it: choices set by the test, everything shown recorded.
class RecordingPanel : public FlashPanel {
  public:
    std::string pinNumber;
    int pinFunction = 3;
    std::vector<std::string> addresses;
    std::vector<int> progress;

    std::string txtPinNumber() const override { return pinNumber; }
    bool portOption(int index) const override { return index == pinFunction; }
    void showAddress(const std::string& text) override { addresses.push_back(text); }
    void setProgress(int row) override { progress.push_back(row); }
};

}  // namespace rkt5::test
