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

// How many of `count` consecutive bytes from `address` on have a cell.
std::size_t bytesInsideImage(std::uint64_t address, std::size_t count) {
    if (address < FlashImage::kFirstAddress || address > FlashImage::kLastAddress)
        return 0;
    return static_cast<std::size_t>(
        std::min<std::uint64_t>(count, FlashImage::kLastAddress + 1 - address));
}

// Stores the whole pairs of hex digits that the line really holds (at most `limit` bytes), from
// 1-based position `first` on into the cells from `offset` on: the common case, decoded by table.
// Returns how many bytes it stored.
std::size_t storeWholePairs(FlashImage& image, std::string_view line, std::size_t first,
                            std::size_t offset, std::size_t limit) {
    std::int16_t* cells = image.cells();
    bool* flags = image.rowFlags();
    const char* text = line.data();
    const std::size_t wholePairs =
        line.size() >= first + 1 ? std::min(limit, (line.size() - first + 1) / 2) : 0;
    std::size_t i = 0;
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
    return i;
}

// The checks up to the record type, in the loader's order: what kind of record the line is, or
// the code that refuses it.
HexRecord readHexRecordKind(std::string_view line) {
    HexRecord record;
    if (line.empty() || line[0] != ':') {
        record.code = linecode::kNotARecord;
        return record;
    }
    if (line.size() < 13) {
        if (line != ":00000001FF")
            record.code = linecode::kShortLine;
        return record;
    }
    record.count = readLenient(mid(line, 2, 2));
    if (record.count > 16) {
        record.code = linecode::kCountTooLarge;
    } else if (line.size() != 2 * record.count + 11) {
        record.code = linecode::kLengthMismatch;
    } else if (line[7] != '0') {
        record.code = linecode::kBadTypeDigit;
    } else {
        const int type = typeDigit(line, 9);
        if (type == 0) {
            record.kind = HexRecord::Kind::Data;
        } else if (type == 2 && record.count == 2) {
            // Extended segment address: data records after it add value * 16 to their address.
            record.kind = HexRecord::Kind::SegmentAddress;
            record.segmentBase = static_cast<std::uint32_t>(readLenient(mid(line, 10, 4)) * 16);
        } else if (type >= 4) {
            record.code = linecode::kUnsupportedType;
        }
    }
    return record;
}

// The checks of a data record: where it goes and whether its checksum holds.
void placeHexData(std::string_view line, std::uint32_t segmentBase, HexRecord& record) {
    const std::uint64_t row = segmentBase / FlashImage::kColumns + readLenient(mid(line, 4, 3));
    const std::uint64_t column = readLenient(mid(line, 7, 1));
    record.address = row * FlashImage::kColumns + column;
    if (row < FlashImage::kFirstRow || row > FlashImage::kLastRow) {
        record.code = linecode::kRowOutsideImage;
        return;
    }
    // A single hex digit cannot exceed 15; the check stays so the codes keep their order.
    if (column > 15) {
        record.code = linecode::kColumnTooLarge;
        return;
    }
    if (column + record.count > 16) {
        record.code = linecode::kCrossesRow;
        return;
    }
    unsigned sum = 0;
    for (std::size_t i = 0; i < record.count + 5; ++i)
        sum += static_cast<unsigned>(readByteAt(line, 2 + 2 * i));
    if (sum % 256 != 0)
        record.code = linecode::kChecksum;
}

}  // namespace

SRecordLine ImageLoader::decodeSRecordLine(std::string_view line) {
    SRecordLine record;
    if (line.empty() || line[0] != 'S') {
        record.code = linecode::kNotARecord;
        return record;
    }
    const int type = typeDigit(line, 2);
    if (type == 0 || type > 3) {
        return record;  // headers, counts and end records carry nothing for the image
    }

    const std::size_t count = readLenient(mid(line, 3, 2));
    // Types 1, 2, 3 have 4, 6, 8 address digits: all but the last give the row, the last the
    // column, so the address is never formed from one (possibly huge) field.
    const std::size_t addressDigits = 2 * static_cast<std::size_t>(type + 1);
    const std::uint64_t row = readLenient(mid(line, 5, addressDigits - 1));
    const std::uint64_t column = readLenient(mid(line, 4 + addressDigits, 1));
    record.first = 5 + addressDigits;
    const std::size_t last = 2 * count + 2;  // last data character, just before the checksum
    if (last >= record.first) {
        record.address = row * FlashImage::kColumns + column;
        record.byteCount = (last - record.first) / 2 + 1;
    }
    return record;
}

void ImageLoader::LoadSRecordLine(std::string_view line) {
    const SRecordLine record = decodeSRecordLine(line);
    lineErrorCode_ = record.code;
    if (record.byteCount > 0) {
        storeSRecordData(line, record);
    }
}

void ImageLoader::storeSRecordData(std::string_view line, const SRecordLine& record) {
    // Bytes run on across rows, so the record covers consecutive addresses; work out how many of
    // them land inside the image before touching anything.
    const std::size_t inside = bytesInsideImage(record.address, record.byteCount);
    const std::size_t offset = record.address - FlashImage::kFirstAddress;  // only if inside > 0
    std::size_t i = storeWholePairs(image_, line, record.first, offset, inside);
    // The rest of a short line: missing digits read as described in readByteAt.
    for (; i < inside; ++i) {
        const int b = readByteAt(line, record.first + 2 * i);
        image_.cells()[offset + i] = static_cast<std::int16_t>(b);
        image_.rowFlags()[(offset + i) / FlashImage::kColumns] |= b < 0xFF;
    }
    if (inside < record.byteCount) {
        // The next byte has no cell: the checked store raises the subscript error.
        const std::uint64_t failing = record.address + inside;
        const auto clamp = [](std::uint64_t v) {
            return static_cast<int>(std::min<std::uint64_t>(v, 0x7FFFFFFF));
        };
        image_.storeByte(clamp(failing / FlashImage::kColumns),
                         static_cast<int>(failing % FlashImage::kColumns),
                         readByteAt(line, record.first + 2 * inside));
    }
}

HexRecord ImageLoader::LoadHexLine(std::string_view line) {
    HexRecord record = readHexRecordKind(line);
    if (record.code == linecode::kOk && record.kind == HexRecord::Kind::Data) {
        placeHexData(line, segmentBase_, record);
    }
    lineErrorCode_ = record.code;
    if (record.code != linecode::kOk) {
        return record;
    }
    if (record.kind == HexRecord::Kind::SegmentAddress) {
        segmentBase_ = record.segmentBase;
    } else if (record.kind == HexRecord::Kind::Data) {
        const auto row = static_cast<int>(record.address / FlashImage::kColumns);
        const auto column = static_cast<int>(record.address % FlashImage::kColumns);
        for (std::size_t i = 0; i < record.count; ++i) {
            image_.storeByte(row, column + static_cast<int>(i), readByteAt(line, 10 + 2 * i));
        }
    }
    return record;
}

}  // namespace rkt5
