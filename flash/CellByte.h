#pragma once

#include <cstdint>
#include <string>

#include "common/RunTimeError.h"

namespace rkt5 {

// An image cell goes on the wire as one byte; a value that does not fit is a fault, not a wrap.
inline std::uint8_t cellByte(int value) {
    if (value < 0 || value > 0xFF) {
        throw RunTimeError(ErrorNumber::ValueOutOfRange,
                           "Value " + std::to_string(value) + " does not fit a byte");
    }
    return static_cast<std::uint8_t>(value);
}

}  // namespace rkt5
