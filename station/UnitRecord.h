#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "image/FlashImage.h"
#include "station/UnitResult.h"

namespace rkt5 {

// The firmware a run wrote, as the record names it: the built-in one's version or the file's name,
// and the sum of the whole image as the "CS" button gives it.
struct RecordedFirmware {
    std::string name;
    std::string checksum;
};

// The firmware of `image`, named `name` in the record.
RecordedFirmware recordedFirmware(std::string name, const FlashImage& image);

// Appends one CSV row for `result` to the record at `path`, with the header first when the file is
// new or empty. Nothing when written; else why not.
std::optional<std::string> appendUnitRecord(const std::string& path, const UnitResult& result,
                                            const RecordedFirmware& firmware);

}  // namespace rkt5
