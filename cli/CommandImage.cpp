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
    // The file is read once: for its check, its load, and the reason when it cannot be read.
    std::string unreadable;
    const std::optional<std::string> text = readFileText(*path, &unreadable);
    if (!text) {
        // The window's message names no reason; a terminal has room for it.
        err << "rkt5-flash: cannot read " << *path << ": " << unreadable << "\n"
            << fileOpenErrorMessage().text << "\n";
        return nullptr;
    }
    if (reading == ImageReading::Checked && !reportFileProblems(*path, *text, err)) {
        err << "rkt5-flash: " << *path
            << " fails the file check; nothing was sent (--lenient loads it as the window does)\n";
        return nullptr;
    }
    const ImageLoadOutcome outcome = loadImageText(*image, *text, formatForPath(*path));
    if (!outcome.loaded) {
        err << outcome.message->text << "\n";
        return nullptr;
    }
    return image;
}

}  // namespace rkt5::cli
