#pragma once

#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "image/FlashImage.h"

namespace rkt5::cli {

enum class ImageReading {
    Lenient,  // as the window reads a dropped file
    Checked,  // the strict file check first; a file with any problem is refused
};

// The image a command works on: the built-in firmware, or the file given with --image, read once.
// A file that does not load prints what the window would show and gives nothing; a checked file
// with problems prints each of them and gives nothing.
std::unique_ptr<FlashImage> commandImage(const std::optional<std::string>& path, std::ostream& err,
                                         ImageReading reading = ImageReading::Lenient);

}  // namespace rkt5::cli
