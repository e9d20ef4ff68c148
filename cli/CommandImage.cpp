#include "cli/CommandImage.h"

#include <new>

#include "firmware/FirmwareLines.h"
#include "image/ImageFile.h"
#include "image/LargeBlocks.h"
#include "image/StartupImage.h"

namespace rkt5::cli {

namespace {

// The table shares the image's memory block: together they are one page fault, not ~175.
struct TableDeleter {
    void operator()(FirmwareTable* table) const noexcept {
        table->~FirmwareTable();
        freeLarge(table, sizeof(FirmwareTable));
    }
};

std::unique_ptr<FirmwareTable, TableDeleter> makeTable() {
    return std::unique_ptr<FirmwareTable, TableDeleter>(new (allocateLarge(sizeof(FirmwareTable)))
                                                            FirmwareTable);
}

}  // namespace

std::unique_ptr<FlashImage> commandImage(const std::optional<std::string>& path,
                                         std::ostream& err) {
    auto image = std::make_unique<FlashImage>();
    if (path) {
        const ImageLoadOutcome outcome = LoadImageFile(*image, *path);
        if (!outcome.loaded) {
            err << outcome.message->text << "\n";
            return nullptr;
        }
    } else {
        const auto table = makeTable();
        buildStartupImage(*image, *table);
    }
    return image;
}

}  // namespace rkt5::cli
