#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace rkt5 {

// One CSV line: each field quoted, with quotes doubled, when it holds a separator, a quote or a
// line break. A field that a spreadsheet would take for a formula (it begins with =, +, -, @, a
// tab or a carriage return) gets a leading apostrophe, so that it shows as the text it is.
std::string csvLine(const std::vector<std::string>& fields);

// The rows of CSV text, each as its fields, quotes undone; a quoted field may hold line breaks.
// A last row without its line end is taken as it is.
std::vector<std::vector<std::string>> csvRows(std::string_view text);

}  // namespace rkt5
