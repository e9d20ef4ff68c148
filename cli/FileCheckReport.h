#pragma once

#include <ostream>
#include <string>
#include <string_view>

namespace rkt5::cli {

// Checks the text of a firmware file strictly and writes each problem as "PATH:LINE: reason" (a
// problem of the whole file as "PATH: reason"). True when there is none.
bool reportFileProblems(const std::string& path, std::string_view text, std::ostream& out);

}  // namespace rkt5::cli
