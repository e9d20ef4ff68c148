#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace rkt5::bench {

// The records of CSV text: a line break ends one unless it is inside a quoted field (a reason
// may quote an answer that holds one); a last record without its line break counts too.
std::size_t csvRecordCount(std::string_view text);

// The rows below the header of the record file at `path`; 0 when there is no file.
std::size_t recordRowsIn(const std::string& path);

}  // namespace rkt5::bench
