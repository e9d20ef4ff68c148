#include "cli/CommandImage.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "cli/FileCheckReport.h"
#include "firmware/FirmwareLines.h"
#include "image/ImageFile.h"
#include "image/StartupImage.h"
#include "image/TextLines.h"

namespace rkt5::cli {

namespace {

// Why the file cannot be read, or nothing when it can. A directory opens but gives no bytes.
std::optional<std::string> unreadableReason(const std::string& path) {
    errno = 0;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return std::strerror(errno);
    }
    std::fgetc(file);
    const bool failed = std::ferror(file) != 0;
    const int error = errno;
    std::fclose(file);
    return failed ? std::optional<std::string>(std::strerror(error)) : std::nullopt;
}

}  // namespace

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
        // The window's message names no reason; a terminal has room for it.
        if (const auto reason = unreadableReason(*path)) {
            err << "rkt5-flash: cannot read " << *path << ": " << *reason << "\n";
        }
        err << outcome.message->text << "\n";
        return nullptr;
    }
    return image;
}

}  // namespace rkt5::cli
