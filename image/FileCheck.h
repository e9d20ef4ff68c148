#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "image/ImageFile.h"

namespace rkt5 {

struct FileProblem {
    int line = 0;  // from 1; 0 for the file as a whole
    std::string reason;
};

// Everything wrong with a firmware text, as a strict reader sees it: records that are not
// records, characters that are not hexadecimal, byte counts that do not match the line, bad
// checksums, record types and lengths the window refuses, data outside 0xC0000-0xFFFFF, records
// that overlap, data after the end record, lines ended by LF alone (the window, which ends lines
// at CR, would read the rest of the file as that one line) and a file without data. Lines end
// here at CR LF, CR or LF, so that the lines after such a line are still checked.
std::vector<FileProblem> checkImageText(std::string_view text, ImageFileFormat format);

}  // namespace rkt5
