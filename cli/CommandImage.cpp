#include "cli/CommandImage.h"

#include "firmware/FirmwareLines.h"
#include "image/ImageFile.h"
#include "image/StartupImage.h"

namespace rkt5::cli {

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
        const auto table = std::make_unique<FirmwareTable>();
        buildStartupImage(*image, *table);
    }
    return image;
}

}  // namespace rkt5::cli
