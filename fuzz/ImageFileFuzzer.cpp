// A firmware file as the window and rkt5-flash read it: written to disk under a name ending in
// .hex and in .mot (the name chooses the loader), loaded, and checked strictly.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "fuzz/FuzzCheck.h"
#include "image/FileCheck.h"
#include "image/FlashImage.h"
#include "image/ImageFile.h"
#include "image/TextLines.h"
#include "tests/support/TempDir.h"

using namespace rkt5;

namespace {

// What the caller's image holds before each load: not erased, so that a load that replaced it
// with an empty image would show.
FlashImage markedImage() {
    FlashImage image;
    image.storeByte(FlashImage::kFirstRow, 0, 0x5A);
    return image;
}

bool sameImage(const FlashImage& a, const FlashImage& b) {
    return std::memcmp(a.cells(), b.cells(), FlashImage::kCells * sizeof(std::int16_t)) == 0 &&
           std::memcmp(a.rowFlags(), b.rowFlags(), FlashImage::kRows) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const test::TempDir dir;  // below $TMPDIR, which the runner points into the build
    static const FlashImage before = markedImage();
    static FlashImage image = before;
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    for (const std::string_view name : {"firmware.hex", "firmware.mot"}) {
        const std::string path = dir.write(name, text);
        fuzz::require(readFileText(path) == text, "a file reads back as it was written");

        const ImageLoadOutcome outcome = LoadImageFile(image, path);
        fuzz::require(outcome.loaded != outcome.message.has_value(),
                      "a load fails exactly when it has a message");
        if (outcome.loaded) {
            image = before;
        } else {
            fuzz::require(sameImage(image, before), "a failed load leaves the image as it was");
        }

        // The strict check guards the writing commands: what it passes, the window must load.
        const auto problems = checkImageText(text, formatForPath(path));
        fuzz::require(!problems.empty() || outcome.loaded,
                      "a text the strict check passes loads leniently");
    }
    return 0;
}
