// CSV as the record is read back: a line break inside a quoted field (a reason quoting an answer)
// ends no row.
#include <gtest/gtest.h>

#include <string_view>

#include "station/CsvText.h"

namespace rkt5 {
namespace {

struct Text {
    const char* name;
    std::string_view csv;
    std::size_t rows;
};

constexpr Text kTexts[] = {
    {"empty", "", 0},
    {"one row", "a,b\n", 1},
    {"last row without its line end", "h\nr", 2},
    {"carriage return and line feed", "h\r\nr\r\n", 2},
    {"empty rows", "\n\n", 2},
    {"line break in a quoted field", "h\n\"x\ny\",z\n", 2},
    {"doubled quotes before a quoted line break", "h\n\"say \"\"NG\r\n\"\"\",z\n", 2},
    {"a field of one doubled quote", "h\n\"\"\"\",z\nr\n", 3},
    {"quoted field last, no line end", "h\n1,\"a\nb\"", 2},
};

TEST(CsvRows, CountsRowsNotLines) {
    for (const Text& text : kTexts) {
        EXPECT_EQ(csvRows(text.csv).size(), text.rows) << text.name;
    }
}

TEST(CsvRows, ReadsBackWhatALineWrote) {
    const std::vector<std::string> fields = {"plain", "a,b", "say \"NG\r\n\"", ""};
    EXPECT_EQ(csvRows(csvLine(fields)), std::vector<std::vector<std::string>>{fields});
}

}  // namespace
}  // namespace rkt5
