#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace rkt5 {

// The three exclusive speed option buttons optBPS(0..2). 57600 is selected as the window is
// created, and in normal operation nothing changes that.
class SpeedOptions {
  public:
    static constexpr int kCount = 3;
    static constexpr std::array<int, kCount> kBaud{9600, 38400, 57600};
    static constexpr std::array<std::string_view, kCount> kSettings{"9600,n,8,1", "38400,n,8,1",
                                                                    "57600,n,8,1"};

    // Selecting one option clears the others; an index outside 0..2 is a RunTimeError.
    void select(int index);
    bool selected(int index) const;

    static std::string_view settingsFor(int index);
    // The option of a speed the user typed, if there is one.
    static std::optional<int> indexForBaud(int baud);

  private:
    int selected_ = 2;
};

}  // namespace rkt5
