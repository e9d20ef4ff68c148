#include "serial/LineSettings.h"

namespace rkt5 {

std::string LineSettings::text() const {
    static constexpr char kParityLetters[] = {'n', 'e', 'o', 'm', 's'};
    return std::to_string(baud) + ',' + kParityLetters[static_cast<int>(parity)] + ',' +
           std::to_string(dataBits) + ',' + std::to_string(stopBits);
}

}  // namespace rkt5
