#include "image/FileCheck.h"

#include <array>
#include <cstdint>
#include <optional>

#include "common/PrintableText.h"
#include "image/FlashImage.h"
#include "image/HexText.h"
#include "image/ImageLoader.h"

namespace rkt5 {

namespace {

using hextext::toUpperHex;

std::string hexAddress(std::uint64_t address) {
    return "0x" + toUpperHex(address, 5);
}

std::string hexByte(unsigned value) {
    return toUpperHex(value & 0xFFu, 2);
}

// A character of a record in quotes, or its \xHH when it does not print. Lines end at CR or
// LF, so neither reaches here as \r or \n.
std::string printable(char c) {
    if (isPrintableAscii(static_cast<unsigned char>(c))) {
        return std::string("'") + c + "'";
    }
    return printableText(std::string_view(&c, 1));
}

// Why the window's loaders refuse a line, one entry per LineErrorCode (per format where the
// words differ). The check takes the loader's verdict and adds only what the loader does not
// look at, so the two cannot disagree about which lines load.
struct LineCodeReason {
    std::int16_t code;
    std::optional<ImageFileFormat> format;  // none: the same words for both
    std::string_view text;
};

constexpr LineCodeReason kLineCodeReasons[] = {
    {linecode::kShortLine, std::nullopt,
     "no data bytes: the window refuses such a record unless it reads \":00000001FF\" exactly"},
    {linecode::kCountTooLarge, std::nullopt,
     "more than 16 data bytes: the window refuses the record"},
    {linecode::kLengthMismatch, std::nullopt,
     "the line's length does not match its byte count: the window refuses the record"},
    {linecode::kBadTypeDigit, std::nullopt,
     "unknown record type (not 00 to 0F): the window refuses the record"},
    {linecode::kRowOutsideImage, std::nullopt,
     "data lies outside 0xC0000-0xFFFFF: the window refuses the record"},
    {linecode::kColumnTooLarge, std::nullopt, "column above 15: the window refuses the record"},
    {linecode::kCrossesRow, std::nullopt,
     "data runs past the end of its 16-byte row: the window refuses the record"},
    {linecode::kChecksum, std::nullopt, "checksum error: the window refuses the record"},
    {linecode::kNotARecord, ImageFileFormat::SRecord, "not an S-record: does not start with \"S\""},
    {linecode::kNotARecord, ImageFileFormat::IntelHex,
     "not an Intel HEX record: does not start with \":\""},
    {linecode::kUnsupportedType, std::nullopt,
     "record types 04 to 09 (linear addresses among them) are not supported: the window "
     "refuses them"},
};

std::string lineCodeReason(std::int16_t code, ImageFileFormat format) {
    for (const LineCodeReason& reason : kLineCodeReasons) {
        if (reason.code == code && (!reason.format || *reason.format == format)) {
            return std::string(reason.text);
        }
    }
    return "the window refuses the line with error code " + std::to_string(code);
}

// Address bytes of S0 to S9 records (S4 does not exist).
constexpr std::array<int, 10> kSRecordAddressBytes{2, 2, 3, 4, 0, 2, 3, 4, 3, 2};

class Checker {
  public:
    explicit Checker(ImageFileFormat format) : format_(format) {}

    void line(std::string_view text, int number) {
        if (text.empty()) {
            problem(number, "empty line");
            return;
        }
        if (format_ == ImageFileFormat::SRecord) {
            sRecord(text, number);
        } else {
            hexRecord(text, number);
        }
    }

    void lineEndedByLfAlone(int number) {
        if (lfOnlyLines_++ == 0) {
            firstLfOnly_ = problems_.size();
            problem(number,
                    "line ends with LF alone: the window ends lines at CR and would read the rest "
                    "of the file as this one line");
        }
    }

    std::vector<FileProblem> finish() {
        if (lfOnlyLines_ > 1) {
            problems_[firstLfOnly_].reason +=
                " (" + std::to_string(lfOnlyLines_ - 1) + " more lines end the same way)";
        }
        if (dataBytes_ == 0) {
            problem(0, "no data records: the file would write nothing");
        }
        return std::move(problems_);
    }

  private:
    void problem(int line, std::string reason) { problems_.push_back({line, std::move(reason)}); }

    // The bytes that the hex digits from `start` on spell; false (with the problem noted) when
    // a character is not a hex digit or a digit has no partner.
    bool decode(std::string_view text, std::size_t start, int number) {
        bytes_.clear();
        for (std::size_t i = start; i < text.size(); ++i) {
            if (hextext::digitValue(text[i]) < 0) {
                problem(number, printable(text[i]) + " at column " + std::to_string(i + 1) +
                                    " is not a hexadecimal digit");
                return false;
            }
        }
        if ((text.size() - start) % 2 != 0) {
            problem(number, "odd number of hexadecimal digits");
            return false;
        }
        for (std::size_t i = start; i < text.size(); i += 2) {
            bytes_.push_back(static_cast<std::uint8_t>(hextext::digitValue(text[i]) * 16 +
                                                       hextext::digitValue(text[i + 1])));
        }
        return true;
    }

    // Whether the byte count (the first byte) matches the bytes after it, less the `overhead`
    // that the count leaves out.
    bool countMatches(int number, std::size_t overhead, std::string_view what) {
        const std::size_t says = bytes_.empty() ? 0 : bytes_[0];
        const std::size_t holds = bytes_.size() < overhead ? 0 : bytes_.size() - overhead;
        if (!bytes_.empty() && bytes_.size() >= overhead && says == holds) {
            return true;
        }
        problem(number, "byte count says " + std::to_string(says) + " " + std::string(what) +
                            ", the line holds " + std::to_string(holds));
        return false;
    }

    // What is wrong with the last byte as the checksum of the others, if anything.
    std::optional<std::string> checksumProblem() const {
        unsigned sum = 0;
        for (std::size_t i = 0; i + 1 < bytes_.size(); ++i) {
            sum += bytes_[i];
        }
        // S-records store the ones' complement of the sum, Intel HEX its two's complement.
        const unsigned expected =
            (format_ == ImageFileFormat::SRecord ? ~sum : 0x100u - (sum & 0xFFu)) & 0xFFu;
        if (bytes_.back() == expected) {
            return std::nullopt;
        }
        return "checksum is " + hexByte(bytes_.back()) + ", the record needs " + hexByte(expected);
    }

    void sRecord(std::string_view text, int number) {
        const SRecordLine record = ImageLoader::decodeSRecordLine(text);
        if (record.code != linecode::kOk) {
            problem(number, lineCodeReason(record.code, format_));
            return;
        }
        // The loader skips what it does not know; a strict reader names it.
        const int type = text.size() > 1 && text[1] >= '0' && text[1] <= '9' ? text[1] - '0' : -1;
        if (type < 0 || type == 4) {
            problem(number, "unknown record type");
            return;
        }
        if (!decode(text, 2, number) || !countMatches(number, 1, "bytes")) {
            return;
        }
        if (bytes_.size() < static_cast<std::size_t>(kSRecordAddressBytes[type]) + 2) {
            problem(number, "too short for its address and checksum");
            return;
        }
        if (const auto bad = checksumProblem()) {
            problem(number, *bad);
        }
        if (record.byteCount > 0) {
            data(number, record.address, record.byteCount);
        } else if (type >= 7) {
            endLine_ = endLine_ == 0 ? number : endLine_;
        }
    }

    void hexRecord(std::string_view text, int number) {
        // Through the loader itself, so the segment base and every refusal are the window's.
        const HexRecord record = loader_.LoadHexLine(text);
        if (record.code == linecode::kNotARecord) {
            problem(number, lineCodeReason(record.code, format_));
            return;
        }
        if (!decode(text, 1, number) || !countMatches(number, 5, "data bytes")) {
            return;
        }
        const std::optional<std::string> badChecksum = checksumProblem();
        // The window's verdict first; a bad checksum is said once, with its figures.
        if (record.code != linecode::kOk && !(record.code == linecode::kChecksum && badChecksum)) {
            problem(number, lineCodeReason(record.code, format_));
        }
        if (badChecksum) {
            problem(number, *badChecksum);
        }
        hexRecordType(number);
        if (record.kind == HexRecord::Kind::Data) {
            data(number, record.address, record.count, record.code == linecode::kRowOutsideImage);
        }
    }

    // What the record type means beyond the loader, which reads 0A to 0F as data and skips a
    // segment record of the wrong size.
    void hexRecordType(int number) {
        const unsigned type = bytes_[3];
        if (type == 0x01) {
            endLine_ = endLine_ == 0 ? number : endLine_;
        } else if (type == 0x02 && bytes_[0] != 2) {
            problem(number, "an extended segment address record holds 2 bytes");
        } else if (type >= 0x0A && type <= 0x0F) {
            problem(number, "unknown record type " + hexByte(type));
        }
    }

    // Notes where a data record goes; `outsideSaid` when the loader's verdict already told that
    // it lies outside the image.
    void data(int number, std::uint64_t address, std::size_t count, bool outsideSaid = false) {
        if (count == 0) {
            return;
        }
        if (endLine_ != 0) {
            problem(number, "data after the end record on line " + std::to_string(endLine_));
        }
        const std::uint64_t last = address + count - 1;
        if (address < FlashImage::kFirstAddress || last > FlashImage::kLastAddress) {
            if (!outsideSaid) {
                problem(number, "data at " + hexAddress(address) + "-" + hexAddress(last) +
                                    " lies outside 0xC0000-0xFFFFF");
            }
            return;
        }
        dataBytes_ += count;
        bool overlapReported = false;
        for (std::uint64_t a = address; a <= last; ++a) {
            int& owner = owner_[a - FlashImage::kFirstAddress];
            if (owner != 0 && !overlapReported) {
                problem(number,
                        "data at " + hexAddress(a) + " overlaps line " + std::to_string(owner));
                overlapReported = true;
            }
            owner = number;
        }
    }

    ImageFileFormat format_;
    FlashImage scratch_;  // what the Intel HEX loader stores; only its verdicts matter here
    ImageLoader loader_{scratch_};
    std::vector<FileProblem> problems_;
    std::vector<std::uint8_t> bytes_;
    std::vector<int> owner_ = std::vector<int>(FlashImage::kCells, 0);  // the line that wrote it
    int endLine_ = 0;
    std::size_t dataBytes_ = 0;
    int lfOnlyLines_ = 0;
    std::size_t firstLfOnly_ = 0;
};

}  // namespace

std::vector<FileProblem> checkImageText(std::string_view text, ImageFileFormat format) {
    Checker checker(format);
    int number = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t end = text.find_first_of("\r\n", pos);
        ++number;
        if (end == std::string_view::npos) {
            checker.line(text.substr(pos), number);
            break;
        }
        checker.line(text.substr(pos, end - pos), number);
        if (text[end] == '\n') {
            checker.lineEndedByLfAlone(number);
        }
        pos = end + 1 + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n');
    }
    return checker.finish();
}

}  // namespace rkt5
