#pragma once

#include <optional>
#include <string>

#include "image/FlashImage.h"
#include "station/UnitResult.h"

namespace rkt5 {

// The firmware a run wrote, as the record names it: the built-in one's version or the file's name,
// the sum of the whole image as the "CS" button gives it, and the SHA-256 of the 256 KB image.
struct RecordedFirmware {
    std::string name;
    std::string checksum;
    std::string sha256;
};

// What every row of one program's run shares: where, by whom, with what.
struct RecordedRun {
    std::string computer;
    std::string operatorName;  // the user signed in to the computer
    std::string programVersion;
    RecordedFirmware firmware;
};

// The run of this program on this computer by its user, writing `image`, which the record names
// `firmwareName`.
RecordedRun recordedRun(std::string firmwareName, const FlashImage& image);

// Why the record at `path` cannot take this program's rows, before anything starts: a folder, a
// missing folder, no permission, or a file whose header is not one this program writes. Nothing
// when it can, or when it is only held by another program for now (its rows then wait, see
// appendUnitRecord). A missing record is made, empty.
std::optional<std::string> whyRecordRefused(const std::string& path);

// The file beside the record where rows wait while the record cannot be written.
std::string pendingRecordPath(const std::string& path);

// Appends the row of `result` to the record at `path`, whole, under the record's lock, synced to
// disk: after the rows that were waiting in the pending file, and after the header when the
// record is new. A record with the older, shorter header gets its own columns. When the record
// cannot be written, the row waits in the pending file instead, and the text returned says so;
// when that fails too, the text holds the row itself. Nothing when the row is in the record.
std::optional<std::string> appendUnitRecord(const std::string& path, const UnitResult& result,
                                            const RecordedRun& run);

}  // namespace rkt5
