#pragma once

#include <ostream>
#include <string>

namespace rkt5::cli {

// Checks a firmware file strictly and writes each problem as "FILE:LINE: reason" (a problem of
// the whole file as "FILE: reason"). True when there is none.
bool reportFileProblems(const std::string& path, std::ostream& out);

}  // namespace rkt5::cli
