#pragma once

#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "image/FlashImage.h"

namespace rkt5::cli {

// The image a command works on: the built-in firmware, or the file given with --image. A file that
// does not load prints what the window would show and gives nothing.
std::unique_ptr<FlashImage> commandImage(const std::optional<std::string>& path, std::ostream& err);

}  // namespace rkt5::cli
