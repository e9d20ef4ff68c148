#pragma once

#include "link/LineChoice.h"
#include "link/SpeedOptions.h"

namespace rkt5 {

// The choices an operation runs with, taken as they stood when it was handed over (from the
// window's menu and option buttons, the command line or a station's row): they cannot change
// while it runs.
class ChosenLine : public LineChoice {
  public:
    ChosenLine() = default;
    ChosenLine(PortIdentity port, int speedIndex) : chosenPort(std::move(port)) {
        speeds.select(speedIndex);
    }

    PortIdentity chosenPort;
    SpeedOptions speeds;

    PortIdentity port() const override { return chosenPort; }
    bool optBPS(int index) const override { return speeds.selected(index); }
};

}  // namespace rkt5
