#pragma once

#include "serial/PortIdentity.h"

namespace rkt5 {

// What the link reads of the operator's choices before every exchange: the port chosen and the
// three speed option buttons (0: 9600, 1: 38400, 2: 57600).
class LineChoice {
  public:
    virtual ~LineChoice() = default;
    virtual PortIdentity port() const = 0;
    virtual bool optBPS(int index) const = 0;
};

}  // namespace rkt5
