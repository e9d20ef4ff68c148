#include "image/FileCheck.h"

#include <array>
#include <cstdint>
#include <cstdio>

#include "image/FlashImage.h"
#include "image/HexText.h"

namespace rkt5 {

namespace {

std::string hexAddress(std::uint64_t address) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%05llX", static_cast<unsigned long long>(address));
    return text;
}

std::string hexByte(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "%02X", value & 0xFFu);
    return text;
}

std::string printable(char c) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F) {
        return std::string("'") + c + "'";
    }
    char text[8];
    std::snprintf(text, sizeof text, "\\x%02X", byte);
    return text;
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

    // The sum of the record's bytes before its last, the checksum.
    unsigned sumBeforeChecksum() const {
        unsigned sum = 0;
        for (std::size_t i = 0; i + 1 < bytes_.size(); ++i) {
            sum += bytes_[i];
        }
        return sum;
    }

    void sRecord(std::string_view text, int number) {
        if (text[0] != 'S') {
            problem(number, "not an S-record: does not start with \"S\"");
            return;
        }
        const int type = text.size() > 1 && text[1] >= '0' && text[1] <= '9' ? text[1] - '0' : -1;
        if (type < 0 || type == 4) {
            problem(number, "unknown record type");
            return;
        }
        if (!decode(text, 2, number)) {
            return;
        }
        const std::size_t addressBytes = static_cast<std::size_t>(kSRecordAddressBytes[type]);
        if (bytes_.empty() || bytes_[0] != bytes_.size() - 1) {
            problem(number, "byte count says " + std::to_string(bytes_.empty() ? 0 : bytes_[0]) +
                                " bytes, the line holds " +
                                std::to_string(bytes_.empty() ? 0 : bytes_.size() - 1));
            return;
        }
        if (bytes_.size() < addressBytes + 2) {
            problem(number, "too short for its address and checksum");
            return;
        }
        const unsigned expected = ~sumBeforeChecksum() & 0xFFu;
        if (bytes_.back() != expected) {
            problem(number, "checksum is " + hexByte(bytes_.back()) + ", the record needs " +
                                hexByte(expected));
        }
        if (type >= 1 && type <= 3) {
            std::uint32_t address = 0;
            for (std::size_t i = 1; i <= addressBytes; ++i) {
                address = address << 8 | bytes_[i];
            }
            data(number, address, bytes_.size() - addressBytes - 2);
        } else if (type >= 7) {
            endLine_ = endLine_ == 0 ? number : endLine_;
        }
    }

    void hexRecord(std::string_view text, int number) {
        if (text[0] != ':') {
            problem(number, "not an Intel HEX record: does not start with \":\"");
            return;
        }
        if (!decode(text, 1, number)) {
            return;
        }
        if (bytes_.size() < 5 || bytes_[0] != bytes_.size() - 5) {
            problem(number, "byte count says " + std::to_string(bytes_.empty() ? 0 : bytes_[0]) +
                                " data bytes, the line holds " +
                                std::to_string(bytes_.size() < 5 ? 0 : bytes_.size() - 5));
            return;
        }
        const std::size_t count = bytes_[0];
        // The window refuses these whatever their type.
        if (count > FlashImage::kColumns) {
            problem(number, "more than 16 data bytes: the window refuses the record");
        } else if (count == 0 && text != ":00000001FF") {
            problem(number,
                    "no data bytes: the window refuses such a record unless it reads "
                    "\":00000001FF\" exactly");
        }
        const unsigned expected = (0x100u - (sumBeforeChecksum() & 0xFFu)) & 0xFFu;
        if (bytes_.back() != expected) {
            problem(number, "checksum is " + hexByte(bytes_.back()) + ", the record needs " +
                                hexByte(expected));
        }
        const std::uint32_t offset = static_cast<std::uint32_t>(bytes_[1] << 8 | bytes_[2]);
        switch (bytes_[3]) {
            case 0x00: {
                const std::uint32_t address = segmentBase_ + offset;
                if (count <= FlashImage::kColumns &&
                    address % FlashImage::kColumns + count > FlashImage::kColumns) {
                    problem(number,
                            "data runs past the end of its 16-byte row: the window "
                            "refuses the record");
                }
                data(number, address, count);
                break;
            }
            case 0x01:
                endLine_ = endLine_ == 0 ? number : endLine_;
                break;
            case 0x02:
                if (count != 2) {
                    problem(number, "an extended segment address record holds 2 bytes");
                } else {
                    segmentBase_ = static_cast<std::uint32_t>(bytes_[4] << 8 | bytes_[5]) * 16;
                }
                break;
            case 0x03:
                break;
            case 0x04:
            case 0x05:
                problem(number, "linear address records (type " + hexByte(bytes_[3]) +
                                    ") are not supported: the window refuses them");
                break;
            default:
                problem(number, "unknown record type " + hexByte(bytes_[3]));
        }
    }

    void data(int number, std::uint64_t address, std::size_t count) {
        if (count == 0) {
            return;
        }
        if (endLine_ != 0) {
            problem(number, "data after the end record on line " + std::to_string(endLine_));
        }
        const std::uint64_t last = address + count - 1;
        if (address < FlashImage::kFirstAddress || last > FlashImage::kLastAddress) {
            problem(number, "data at " + hexAddress(address) + "-" + hexAddress(last) +
                                " lies outside 0xC0000-0xFFFFF");
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
    std::vector<FileProblem> problems_;
    std::vector<std::uint8_t> bytes_;
    std::vector<int> owner_ = std::vector<int>(FlashImage::kCells, 0);  // the line that wrote it
    std::uint32_t segmentBase_ = 0;
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
