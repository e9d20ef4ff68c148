#include "cli/CommandImage.h"

#include "cli/FileCheckReport.h"
#include "firmware/FirmwareLines.h"
#include "image/ImageFile.h"
#include "image/StartupImage.h"
#include "image/TextLines.h"

namespace rkt5::cli {

std::unique_ptr<FlashImage> commandImage(const std::optional<std::string>& path, std::ostream& err,
                                         ImageReading reading) {
    auto image = std::make_unique<FlashImage>();
    if (!path) {
        const auto table = std::make_unique<FirmwareTable>();
        buildStartupImage(*image, *table);
        return image;
    }
    const std::optional<std::string> text =
        reading == ImageReading::Checked ? readFileText(*path) : std::nullopt;
    if (text && !reportFileProblems(*path, *text, err)) {
        err << "rkt5-flash: " << *path
            << " fails the file check; nothing was sent (--lenient loads it as the window does)\n";
        return nullptr;
    }
    // A checked file is loaded from the text already read; one that cannot be read goes to
    // LoadImageFile, which says so as the window does.
    const ImageLoadOutcome outcome =
        text ? loadImageText(*image, *text, formatForPath(*path)) : LoadImageFile(*image, *path);
    if (!outcome.loaded) {
        err << outcome.message->text << "\n";
        return nullptr;
    }
    return image;
}

}  // namespace rkt5::cli
