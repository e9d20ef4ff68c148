#include "image/ImageLoader.h"

#include <algorithm>

#include "image/HexText.h"

namespace rkt5 {

using hextext::digitValue;
using hextext::mid;
using hextext::readByteAt;
using hextext::readLenient;

namespace {

// A record type character: a decimal digit is its value, anything else counts as 0.
int typeDigit(std::string_view line, std::size_t pos) {
    if (pos > line.size())
        return 0;
    const char c = line[pos - 1];
    return (c >= '0' && c <= '9') ? c - '0' : 0;
}

}  // namespace

void ImageLoader::LoadSRecordLine(std::string_view line) {
    lineErrorCode_ = linecode::kOk;
    if (line.empty() || line[0] != 'S') {
        lineErrorCode_ = linecode::kNotARecord;
        return;
    }
    const int type = typeDigit(line, 2);
    if (type == 0 || type > 3) {
        return;  // headers, counts and end records carry nothing for the image
    }

    const std::size_t count = readLenient(mid(line, 3, 2));
    // Types 1, 2, 3 have 4, 6, 8 address digits: all but the last give the row, the last the
    // column, so the address is never formed as one (possibly huge) number.
    const std::size_t addressDigits = 2 * static_cast<std::size_t>(type + 1);
    const std::uint64_t row = readLenient(mid(line, 5, addressDigits - 1));
    const std::uint64_t column = readLenient(mid(line, 4 + addressDigits, 1));
    const std::size_t first = 5 + addressDigits;
    const std::size_t last = 2 * count + 2;  // last data character, just before the checksum
    if (last < first) {
        return;
    }
    const std::size_t byteCount = (last - first) / 2 + 1;

    // Bytes run on across rows, so the record covers consecutive addresses; work out how many of
    // them land inside the image before touching anything.
    const std::uint64_t address = row * FlashImage::kColumns + column;
    std::size_t inside = 0;
    if (address >= FlashImage::kFirstAddress && address <= FlashImage::kLastAddress) {
        inside = static_cast<std::size_t>(
            std::min<std::uint64_t>(byteCount, FlashImage::kLastAddress + 1 - address));
    }

    std::int16_t* cells = image_.cells();
    bool* flags = image_.rowFlags();
    const std::size_t offset = address - FlashImage::kFirstAddress;  // used only when inside > 0
    std::size_t i = 0;
    const char* text = line.data();
    // Whole pairs of hex digits that the line really holds: the common case, decoded by table.
    const std::size_t wholePairs =
        line.size() >= first + 1 ? std::min(inside, (line.size() - first + 1) / 2) : 0;
    while (i < wholePairs) {
        // One row at a time, so the row's flag is written once rather than once per byte.
        const std::size_t rowEnd =
            std::min(wholePairs, i + FlashImage::kColumns - (offset + i) % FlashImage::kColumns);
        bool below = false;
        for (; i < rowEnd; ++i) {
            const std::size_t at = first - 1 + 2 * i;
            const int hi = digitValue(text[at]);
            const int lo = digitValue(text[at + 1]);
            const int b = (hi | lo) >= 0 ? hi * 16 + lo : readByteAt(line, at + 1);
            cells[offset + i] = static_cast<std::int16_t>(b);
            below |= b < 0xFF;
        }
        flags[(offset + i - 1) / FlashImage::kColumns] |= below;
    }
    // The rest of a short line: missing digits read as described in readByteAt.
    for (; i < inside; ++i) {
        const int b = readByteAt(line, first + 2 * i);
        cells[offset + i] = static_cast<std::int16_t>(b);
        flags[(offset + i) / FlashImage::kColumns] |= b < 0xFF;
    }
    if (inside < byteCount) {
        // The next byte has no cell: the checked store raises the subscript error.
        const std::uint64_t failing = address + inside;
        const auto clamp = [](std::uint64_t v) {
            return static_cast<int>(std::min<std::uint64_t>(v, 0x7FFFFFFF));
        };
        image_.storeByte(clamp(failing / FlashImage::kColumns),
                         static_cast<int>(failing % FlashImage::kColumns),
                         readByteAt(line, first + 2 * inside));
    }
}

void ImageLoader::LoadHexLine(std::string_view line) {
    lineErrorCode_ = linecode::kOk;
    if (line.empty() || line[0] != ':') {
        lineErrorCode_ = linecode::kNotARecord;
        return;
    }
    if (line.size() < 13) {
        if (line != ":00000001FF") {
            lineErrorCode_ = linecode::kShortLine;
        }
        return;
    }
    const std::size_t count = readLenient(mid(line, 2, 2));
    if (count > 16) {
        lineErrorCode_ = linecode::kCountTooLarge;
        return;
    }
    if (line.size() != 2 * count + 11) {
        lineErrorCode_ = linecode::kLengthMismatch;
        return;
    }
    if (line[7] != '0') {
        lineErrorCode_ = linecode::kBadTypeDigit;
        return;
    }
    const int type = typeDigit(line, 9);
    if (type == 2) {
        // Extended segment address: data records after it add value * 16 to their address.
        if (count == 2) {
            segmentBase_ = static_cast<std::uint32_t>(readLenient(mid(line, 10, 4)) * 16);
        }
        return;
    }
    if (type == 1 || type == 3) {
        return;
    }
    if (type >= 4) {
        lineErrorCode_ = linecode::kUnsupportedType;
        return;
    }

    const std::uint64_t row = segmentBase_ / FlashImage::kColumns + readLenient(mid(line, 4, 3));
    if (row < FlashImage::kFirstRow || row > FlashImage::kLastRow) {
        lineErrorCode_ = linecode::kRowOutsideImage;
        return;
    }
    // A single hex digit cannot exceed 15; the check stays so the codes keep their order.
    const std::uint64_t column = readLenient(mid(line, 7, 1));
    if (column > 15) {
        lineErrorCode_ = linecode::kColumnTooLarge;
        return;
    }
    if (column + count > 16) {
        lineErrorCode_ = linecode::kCrossesRow;
        return;
    }
    unsigned sum = 0;
    for (std::size_t i = 0; i < count + 5; ++i) {
        sum += static_cast<unsigned>(readByteAt(line, 2 + 2 * i));
    }
    if (sum % 256 != 0) {
        lineErrorCode_ = linecode::kChecksum;
        return;
    }
    for (std::size_t i = 0; i < count; ++i) {
        image_.storeByte(static_cast<int>(row), static_cast<int>(column + i),
                         readByteAt(line, 10 + 2 * i));
    }
}

}  // namespace rkt5
