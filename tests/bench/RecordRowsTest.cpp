// Rows of a record counted as CSV: a line break inside a quoted field (a reason quoting an answer)
// ends no row.
#include <gtest/gtest.h>

#include <string_view>

#include "bench/RecordRows.h"
#include "tests/support/TempDir.h"

namespace rkt5::bench {
namespace {

struct Text {
    const char* name;
    std::string_view csv;
    std::size_t records;
};

constexpr Text kTexts[] = {
    {"empty", "", 0},
    {"one record", "a,b\n", 1},
    {"last record without its line end", "h\nr", 2},
    {"carriage return and line feed", "h\r\nr\r\n", 2},
    {"empty records", "\n\n", 2},
    {"line break in a quoted field", "h\n\"x\ny\",z\n", 2},
    {"doubled quotes before a quoted line break", "h\n\"say \"\"NG\r\n\"\"\",z\n", 2},
    {"a field of one doubled quote", "h\n\"\"\"\",z\nr\n", 3},
    {"quoted field last, no line end", "h\n1,\"a\nb\"", 2},
};

TEST(RecordRows, CountsRecordsNotLines) {
    for (const Text& text : kTexts) {
        EXPECT_EQ(csvRecordCount(text.csv), text.records) << text.name;
    }
}

TEST(RecordRows, TheHeaderIsNoRowAndAMissingRecordHasNone) {
    const test::TempDir dir;
    EXPECT_EQ(recordRowsIn(dir.file("missing.csv")), 0u);
    EXPECT_EQ(recordRowsIn(dir.write("header.csv", "time,message\n")), 0u);
    EXPECT_EQ(recordRowsIn(dir.write("two.csv", "time,message\n1,\"a\nb\"\n2,c\n")), 2u);
}

}  // namespace
}  // namespace rkt5::bench
