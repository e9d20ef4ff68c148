#include "image/ImageFile.h"

#include <exception>

#include "image/ImageLoader.h"
#include "image/TextLines.h"

namespace rkt5 {

namespace {

Message lineErrorMessage(int code, int lineNumber) {
    return {
        "Error Code = " + std::to_string(code) + " ; line number = " + std::to_string(lineNumber),
        "Error", Message::kExclamation};
}

}  // namespace

Message fileOpenErrorMessage() {
    return {"File Open Error", "ERROR", Message::kCritical};
}

ImageFileFormat formatForPath(std::string_view path) {
    if (path.size() < 3)
        return ImageFileFormat::SRecord;
    const std::string_view tail = path.substr(path.size() - 3);
    const auto upper = [](char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; };
    const bool hex = upper(tail[0]) == 'H' && upper(tail[1]) == 'E' && upper(tail[2]) == 'X';
    return hex ? ImageFileFormat::IntelHex : ImageFileFormat::SRecord;
}

ImageLoadOutcome loadImageText(FlashImage& image, std::string_view text, ImageFileFormat format) {
    ImageLoadOutcome outcome;
    try {
        FlashImage scratch;  // starts cleared
        ImageLoader loader(scratch);
        TextLineReader lines(text);
        std::string_view line;
        while (lines.next(line)) {
            if (format == ImageFileFormat::IntelHex) {
                loader.LoadHexLine(line);
            } else {
                loader.LoadSRecordLine(line);
            }
            ++outcome.lineNumber;
            outcome.LineErrorCode = loader.LineErrorCode();
            if (outcome.LineErrorCode != 0) {
                outcome.message = lineErrorMessage(outcome.LineErrorCode, outcome.lineNumber);
                return outcome;
            }
        }
        image.swap(scratch);
        outcome.loaded = true;
    } catch (const std::exception&) {
        // A store outside the image (or no memory for the scratch image). Only line errors
        // name a line; this message does not.
        outcome.message = fileOpenErrorMessage();
    }
    return outcome;
}

ImageLoadOutcome LoadImageFile(FlashImage& image, const std::string& path) {
    const std::optional<std::string> text = readFileText(path);
    if (!text) {
        ImageLoadOutcome outcome;
        outcome.message = fileOpenErrorMessage();
        return outcome;
    }
    return loadImageText(image, *text, formatForPath(path));
}

}  // namespace rkt5
