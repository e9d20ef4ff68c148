#include "link/PortMenu.h"

#include <string>

#include "common/RunTimeError.h"

namespace rkt5 {

namespace {

void requireItem(int index) {
    if (index < 1 || index > PortMenu::kItems) {
        throw RunTimeError(ErrorNumber::SubscriptOutOfRange,
                           "the COM menu has no item " + std::to_string(index));
    }
}

}  // namespace

PortMenu::PortMenu() {
    checked_[1] = true;
    checked_[3] = true;
}

void PortMenu::mnuCom_Click(int index) {
    requireItem(index);
    checked_.fill(false);
    checked_[static_cast<std::size_t>(index)] = true;
}

bool PortMenu::checked(int index) const {
    requireItem(index);
    return checked_[static_cast<std::size_t>(index)];
}

int PortMenu::GetCOM() const {
    for (int index = 1; index <= kItems; ++index) {
        if (checked_[static_cast<std::size_t>(index)]) {
            return index;
        }
    }
    return kNoneChecked;
}

}  // namespace rkt5
