#pragma once

#include <string>

namespace rkt5 {

// What the flash operations read from and show on the operator's side: the pin-number box (which
// also takes the access word), the pin-function option buttons, the address display and the
// progress value. The window answers with its widgets, the terminal flasher with its options and
// a progress line, tests with a recorder.
class FlashPanel {
  public:
    virtual ~FlashPanel() = default;

    virtual std::string txtPinNumber() const = 0;
    // The four pin-function buttons: 0 drive low, 1 drive high, 2 input, 3 read.
    virtual bool portOption(int index) const = 0;

    // The address being visited, e.g. "C0000"; shown in Text1.
    virtual void showAddress(const std::string& text) = 0;
    // The row being written, 0xC000 to 0xFFFF; the value of the progress bar.
    virtual void setProgress(int row) = 0;
};

}  // namespace rkt5
