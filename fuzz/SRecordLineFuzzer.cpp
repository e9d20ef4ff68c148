// One S-record line, as a file or the built-in table hands it to the lenient loader.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "common/RunTimeError.h"
#include "fuzz/ErasedImage.h"
#include "fuzz/FuzzCheck.h"
#include "image/ImageLoader.h"

using namespace rkt5;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzz::ErasedImage erased;
    // The fuzzer's buffer has exactly the line's size, so reading past its end is reported.
    const std::string_view line(reinterpret_cast<const char*>(data), size);

    ImageLoader loader(erased.image());
    try {
        loader.LoadSRecordLine(line);
    } catch (const RunTimeError& error) {
        // A byte outside the image, after the bytes before it were stored.
        fuzz::require(error.number() == ErrorNumber::SubscriptOutOfRange,
                      "the only error is a store outside the image");
    }

    const bool record = !line.empty() && line[0] == 'S';
    fuzz::require(loader.LineErrorCode() == (record ? linecode::kOk : linecode::kNotARecord),
                  "a line is refused exactly when it does not start with S");
    const auto changes = erased.takeChanges();
    const bool carriesData = record && line.size() > 1 && line[1] >= '1' && line[1] <= '3';
    fuzz::require(carriesData || !changes, "only S1, S2 and S3 records store anything");
    // A one-byte count covers at most 255 bytes of address, checksum and data.
    fuzz::require(!changes || changes->size() <= 255, "a record stores more bytes than it counts");
    return 0;
}
