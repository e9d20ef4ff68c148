#pragma once

#include <string>

namespace rkt5 {

// The flash address of an image row as the address display shows it: the row in upper-case
// hexadecimal with a "0" appended, "C0000" for row 0xC000.
std::string addressText(int row);

}  // namespace rkt5
