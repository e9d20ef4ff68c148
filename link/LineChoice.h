#pragma once

namespace rkt5 {

// What the link reads of the operator's choices before every exchange: the COM port number of the
// port menu and the three speed option buttons (0: 9600, 1: 38400, 2: 57600). The window answers
// from its menu and option buttons, the terminal flasher from its command line.
class LineChoice {
  public:
    virtual ~LineChoice() = default;
    virtual int GetCOM() const = 0;
    virtual bool optBPS(int index) const = 0;
};

}  // namespace rkt5
