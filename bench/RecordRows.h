#pragma once

#include <cstddef>
#include <string>

namespace rkt5::bench {

// The rows below the header of the record file at `path`, read as CSV (a reason may quote an
// answer that holds a line break); 0 when there is no file.
std::size_t recordRowsIn(const std::string& path);

}  // namespace rkt5::bench
