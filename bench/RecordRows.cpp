#include "bench/RecordRows.h"

#include <fstream>
#include <iterator>

#include "station/CsvText.h"

namespace rkt5::bench {

std::size_t recordRowsIn(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    const std::size_t records = csvRows(text).size();
    return records == 0 ? 0 : records - 1;
}

}  // namespace rkt5::bench
