#pragma once

#include <string_view>

#include "firmware/FirmwareLines.h"
#include "image/FlashImage.h"

namespace rkt5 {

// The version of the firmware built into the program.
inline constexpr std::string_view kStartupFirmwareVersion = "EG5.000";

// What the window does at start-up for its image: clear it, fill the firmware table and feed every
// line of the table, in order, to the S-record loader. The built-in lines are known to load
// cleanly, so their line codes are not looked at.
void buildStartupImage(FlashImage& image, FirmwareTable& table);

}  // namespace rkt5
