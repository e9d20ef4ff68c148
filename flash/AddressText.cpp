#include "flash/AddressText.h"

#include <cstdio>

namespace rkt5 {

std::string addressText(int row) {
    char text[16];
    std::snprintf(text, sizeof text, "%X0", static_cast<unsigned>(row));
    return text;
}

}  // namespace rkt5
