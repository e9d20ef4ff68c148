#pragma once

#include <array>
#include <optional>

#include "serial/LineSettings.h"

namespace rkt5 {

// The three exclusive speed option buttons optBPS(0..2). 57600 is selected as the window is
// created, and in normal operation nothing changes that.
class SpeedOptions {
  public:
    static constexpr int kCount = 3;
    static constexpr std::array<int, kCount> kBaud{9600, 38400, 57600};
    static constexpr std::array<LineSettings, kCount> kSettings{
        LineSettings{9600}, LineSettings{38400}, LineSettings{57600}};
    static constexpr int kDefault = 2;  // 57600

    // Selecting one option clears the others; an index outside 0..2 is a RunTimeError.
    void select(int index);
    bool selected(int index) const;

    static const LineSettings& settingsFor(int index);
    // The option of a speed the user typed, if there is one.
    static std::optional<int> indexForBaud(int baud);

  private:
    int selected_ = kDefault;
};

}  // namespace rkt5
