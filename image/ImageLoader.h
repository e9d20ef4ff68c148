#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "image/FlashImage.h"

namespace rkt5 {

// Codes that LoadHexLine leaves in LineErrorCode (LoadSRecordLine uses only kNotARecord).
namespace linecode {
inline constexpr std::int16_t kOk = 0;
inline constexpr std::int16_t kShortLine = 1;         // under 13 characters, not ":00000001FF"
inline constexpr std::int16_t kCountTooLarge = 2;     // more than 16 data bytes
inline constexpr std::int16_t kLengthMismatch = 3;    // length is not 2 * count + 11
inline constexpr std::int16_t kBadTypeDigit = 4;      // record type does not start with "0"
inline constexpr std::int16_t kRowOutsideImage = 5;   // data row outside 0xC000-0xFFFF
inline constexpr std::int16_t kColumnTooLarge = 6;    // column above 15
inline constexpr std::int16_t kCrossesRow = 7;        // data would run past the end of the row
inline constexpr std::int16_t kChecksum = 8;          // record bytes do not sum to 0 mod 256
inline constexpr std::int16_t kNotARecord = 9;        // no leading "S" / ":"
inline constexpr std::int16_t kUnsupportedType = 10;  // Intel HEX types 04 to 09
}  // namespace linecode

// An S-record line as LoadSRecordLine reads it, before anything is stored.
struct SRecordLine {
    std::int16_t code = linecode::kOk;  // what the line leaves in LineErrorCode
    std::uint64_t address = 0;          // of the first data byte (never range-checked here)
    std::size_t byteCount = 0;          // data bytes the loader stores; 0 for a skipped record
    std::size_t first = 0;              // 1-based position of the first data character
};

// What LoadHexLine made of a line, so that a stricter reader can build on the loader's own
// reading instead of repeating it.
struct HexRecord {
    enum class Kind { Other, Data, SegmentAddress };
    std::int16_t code = linecode::kOk;  // what the line leaves in LineErrorCode
    // Data as soon as the record type says so, even when a later check refuses the line.
    Kind kind = Kind::Other;
    std::uint64_t address = 0;      // Data: the first byte's address, once its row was read
    std::size_t count = 0;          // Data: its data bytes
    std::uint32_t segmentBase = 0;  // SegmentAddress: the base the record sets
};

// Feeds text lines of one firmware file (or of the built-in table) into an image and keeps the
// code of the last line. For Intel HEX it also keeps the segment base of the file being read, so
// use one loader per file (or call startHexFile between files).
class ImageLoader {
  public:
    explicit ImageLoader(FlashImage& image) : image_(image) {}

    // Lenient S-record reader: trusts the byte count, never reads the checksum, skips every type
    // but 1, 2 and 3. A data byte outside the image throws RunTimeError(SubscriptOutOfRange)
    // after the bytes before it were stored.
    void LoadSRecordLine(std::string_view line);
    static SRecordLine decodeSRecordLine(std::string_view line);

    // Strict Intel HEX reader: a line is stored only if it passes every check; the first failing
    // check leaves its code. Never throws. The result says what the line was read as.
    HexRecord LoadHexLine(std::string_view line);

    std::int16_t LineErrorCode() const { return lineErrorCode_; }

    // Data records add this to their 16-bit address; set by type 02 records, 0 at a file's start.
    std::uint32_t segmentBase() const { return segmentBase_; }
    void startHexFile() { segmentBase_ = 0; }

    FlashImage& image() { return image_; }

  private:
    void storeSRecordData(std::string_view line, const SRecordLine& record);

    FlashImage& image_;
    std::int16_t lineErrorCode_ = linecode::kOk;
    std::uint32_t segmentBase_ = 0;
};

}  // namespace rkt5
