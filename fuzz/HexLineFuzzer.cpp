// Intel HEX lines through one loader, as the lines of one file: a segment address record changes
// what the data records after it address.

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "fuzz/ErasedImage.h"
#include "fuzz/FuzzCheck.h"
#include "image/ImageLoader.h"

using namespace rkt5;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzz::ErasedImage erased;
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    ImageLoader loader(erased.image());
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        // A copy of exactly the line's size, so reading past its end is reported.
        const std::vector<char> line(text.begin() + start, text.begin() + end);
        start = end + 1;

        const std::uint32_t baseBefore = loader.segmentBase();
        loader.LoadHexLine({line.data(), line.size()});  // never throws
        const std::int16_t code = loader.LineErrorCode();
        const auto changes = erased.takeChanges();

        fuzz::require(code >= linecode::kOk && code <= linecode::kUnsupportedType,
                      "a line's code is one of the loader's codes");
        fuzz::require(code == linecode::kOk || (!changes && loader.segmentBase() == baseBefore),
                      "a refused line changes nothing");
        fuzz::require(!changes || changes->firstRow() == changes->lastRow(),
                      "a data record stores within one row");
    }
    return 0;
}
