#pragma once

#include "link/LineChoice.h"
#include "link/PortMenu.h"
#include "link/SpeedOptions.h"

namespace rkt5 {

// The operator's choices held as the port menu and the speed options themselves, for the terminal
// flasher and the tests; the window answers from its own widgets instead.
class MenuLineChoice : public LineChoice {
  public:
    PortMenu menu;
    SpeedOptions speeds;

    int GetCOM() const override { return menu.GetCOM(); }
    bool optBPS(int index) const override { return speeds.selected(index); }
};

}  // namespace rkt5
