#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/Message.h"
#include "image/FlashImage.h"

namespace rkt5 {

enum class ImageFileFormat { SRecord, IntelHex };

// The loader a file name selects: Intel HEX when its last three characters read "HEX" in any
// letter case, S-records otherwise. The content never decides.
ImageFileFormat formatForPath(std::string_view path);

struct ImageLoadOutcome {
    bool loaded = false;             // every line loaded and the image was replaced
    std::int16_t LineErrorCode = 0;  // code of the last line read
    int lineNumber = 0;              // lines handed to the loader, the failing one included
    std::optional<Message> message;  // what to show after a failure
};

// Loads firmware text into the image. The lines go into a scratch image first, so a load that
// fails anywhere leaves the caller's image exactly as it was; a load that succeeds replaces it
// whole (nothing of the previous content survives).
ImageLoadOutcome loadImageText(FlashImage& image, std::string_view text, ImageFileFormat format);

// The message of a firmware file that cannot be opened or read: "File Open Error".
Message fileOpenErrorMessage();

// Reads the file once, then loads it as above. A file that cannot be opened or read ends with
// "File Open Error"; the image is untouched.
ImageLoadOutcome LoadImageFile(FlashImage& image, const std::string& path);

}  // namespace rkt5
