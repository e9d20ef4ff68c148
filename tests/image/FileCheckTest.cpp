#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "image/FileCheck.h"
#include "image/TextLines.h"

namespace rkt5 {
namespace {

// A good data record at 0xC0000 of each format, for files that need one besides their fault.
constexpr const char* kGoodS = "S2140C0000FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFEF\r\n";
constexpr const char* kGoodHex =
    ":02000002C0003C\r\n:10000000FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF00\r\n";

struct Case {
    const char* name;
    ImageFileFormat format;
    std::string text;
    std::vector<std::string> problems;  // "LINE: reason", or ": reason" for the whole file
};

std::vector<std::string> check(const Case& c) {
    std::vector<std::string> found;
    for (const FileProblem& p : checkImageText(c.text, c.format)) {
        found.push_back((p.line > 0 ? std::to_string(p.line) : "") + ": " + p.reason);
    }
    return found;
}

class FileCheck : public testing::TestWithParam<Case> {};

TEST_P(FileCheck, ReportsEveryProblemByLine) {
    EXPECT_EQ(check(GetParam()), GetParam().problems);
}

const ImageFileFormat S = ImageFileFormat::SRecord;
const ImageFileFormat H = ImageFileFormat::IntelHex;

INSTANTIATE_TEST_SUITE_P(
    Files, FileCheck,
    testing::Values(
        Case{"GoodSRecords",
             S,
             std::string("S00600004844521B\r\n") + kGoodS + "S804000000FB\r\n",
             {}},
        Case{"GoodHex", H, std::string(kGoodHex) + ":00000001FF\r\n", {}},
        Case{"BadChecksum",
             S,
             "S2140C0000FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFEE\r\n",
             {"1: checksum is EE, the record needs EF"}},
        Case{"CountDoesNotMatch",
             S,
             std::string(kGoodS) + "S2150C0010FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFDF\r\n",
             {"2: byte count says 21 bytes, the line holds 20"}},
        Case{"NotHex",
             S,
             std::string(kGoodS) + "S2140C00G0FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFDF\r",
             {"2: 'G' at column 9 is not a hexadecimal digit"}},
        Case{"OutsideTheImage",
             S,
             std::string(kGoodS) + "S2140BFFF8FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF9\r\n",
             {"2: data at 0xBFFF8-0xC0007 lies outside 0xC0000-0xFFFFF"}},
        Case{"Overlap",
             S,
             std::string(kGoodS) + "S2080C0008FFFFFFFFE7\r\n",
             {"2: data at 0xC0008 overlaps line 1"}},
        Case{"LfAlone",
             S,
             std::string("S00600004844521B\n") + kGoodS + "S804000000FB\nS804000000FB",
             {"1: line ends with LF alone: the window ends lines at CR and would read the rest "
              "of the file as this one line (1 more lines end the same way)"}},
        Case{"NoData",
             S,
             "S00600004844521B\r\nS804000000FB\r\n",
             {": no data records: the file would write nothing"}},
        Case{"Empty", H, "", {": no data records: the file would write nothing"}},
        Case{"HexTypesTheWindowRefuses",
             H,
             std::string(kGoodHex) + ":020000040000FA\r\n:0200000212C02B\r\n",
             {"3: record types 04 to 09 (linear addresses among them) are not supported: the "
              "window refuses them",
              "4: checksum is 2B, the record needs 2A"}},
        // Rows outside the image and types from 10 on are the loader's verdict; 0A loads as data
        // but is no Intel HEX type.
        Case{"HexRecordsTheLoaderDecides",
             H,
             ":0100000042BD\r\n" + std::string(kGoodHex) + ":020000100102EB\r\n:0100100A42A3\r\n",
             {"1: data lies outside 0xC0000-0xFFFFF: the window refuses the record",
              "4: unknown record type (not 00 to 0F): the window refuses the record",
              "5: unknown record type 0A"}},
        Case{"HexRecordCrossingARow",
             H,
             std::string(":02000002C0003C\r\n") + ":04000E001122334444\r\n",
             {"2: data runs past the end of its 16-byte row: the window refuses the record"}},
        Case{"HexLengthsTheWindowRefuses",
             H,
             std::string(kGoodHex) + ":0000000000\r\n:11000003" + std::string(34, '0') +
                 "EC\r\n:00000001ff\r\n",
             {"3: no data bytes: the window refuses such a record unless it reads "
              "\":00000001FF\" exactly",
              "4: more than 16 data bytes: the window refuses the record",
              "5: no data bytes: the window refuses such a record unless it reads "
              "\":00000001FF\" exactly"}},
        Case{"HexWithoutColon",
             H,
             std::string(kGoodHex) + "10000000\r\n",
             {"3: not an Intel HEX record: does not start with \":\""}}),
    [](const testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

TEST(FileCheckOfTheFirmware, TheBuiltInTextWithCrLfHasNoProblem) {
    const std::optional<std::string> text = readFileText(RKT5_FIRMWARE_TEXT);
    ASSERT_TRUE(text);
    std::string crlf;
    for (char c : *text) {
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
    EXPECT_TRUE(checkImageText(crlf, ImageFileFormat::SRecord).empty());
}

}  // namespace
}  // namespace rkt5
