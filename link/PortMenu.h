#pragma once

#include <array>

namespace rkt5 {

// The "COM" menu: sixteen items "COM1" to "COM16" with check marks. As the menu is defined, items
// 1 and 3 carry a check mark; GetCOM takes the first checked item, so COM1 rules until a click.
class PortMenu {
  public:
    static constexpr int kItems = 16;
    // GetCOM's answer when no item is checked: the scan ran past the last item.
    static constexpr int kNoneChecked = kItems + 1;

    PortMenu();

    // Checks the clicked item and only it; an index outside 1..16 is a RunTimeError (no such item).
    void mnuCom_Click(int index);
    bool checked(int index) const;
    int GetCOM() const;

  private:
    std::array<bool, kItems + 1> checked_{};  // index 0 unused: items are numbered from 1
};

}  // namespace rkt5
