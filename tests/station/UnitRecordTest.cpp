// The record a station keeps: rows whole under the lock of two programs at once, rows kept while
// another program holds the record, records it must refuse, and cells a spreadsheet would run.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <set>
#include <string>

#include "station/CsvText.h"
#include "station/UnitRecord.h"

namespace rkt5 {
namespace {

constexpr const char* kHeader =
    "time,computer,com,device,usb_serial,firmware,image_checksum,message,reason,seconds,sends,"
    "resends,unit,operator,image_sha256,program_version\n";
constexpr const char* kFirstHeader =
    "time,computer,com,device,usb_serial,firmware,image_checksum,message,reason,seconds,sends,"
    "resends\n";

class UnitRecordTest : public testing::Test {
  protected:
    std::string file(const char* name) const { return dir.filePath(name).toStdString(); }
    static std::string read(const std::string& path) {
        QFile in(QString::fromStdString(path));
        return in.open(QIODevice::ReadOnly) ? in.readAll().toStdString() : std::string();
    }
    static void write(const std::string& path, const std::string& text) {
        QFile out(QString::fromStdString(path));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(text.data(), static_cast<qint64>(text.size()));
    }
    static std::optional<std::string> append(const std::string& path, const std::string& unit,
                                             const std::string& reason = {}) {
        UnitResult result;
        result.port = {.number = 3, .device = "/dev/ttyUSB2", .serialNumber = "A10K"};
        result.outcome = {reason.empty(), Message::ok(reason.empty() ? "Completed." : "Error"),
                          reason};
        result.unit = unit;
        return appendUnitRecord(path, result, {"bench", "tester", "5.0", {"EG5.000", "1", "ab"}});
    }
    // Another program at the record (see RecordWriter.cpp).
    static QProcess* writer(const QStringList& arguments) {
        auto* process = new QProcess;
        process->start(RECORD_WRITER, arguments);
        EXPECT_TRUE(process->waitForStarted(30000));
        return process;
    }
    // The labels of the record's rows in order, after checking that each row is whole.
    static std::vector<std::string> units(const std::string& text, std::size_t columns = 16) {
        std::vector<std::string> labels;
        const auto rows = csvRows(text);
        for (std::size_t i = 1; i < rows.size(); ++i) {
            EXPECT_EQ(rows[i].size(), columns) << "row " << i;
            labels.push_back(rows[i].size() > 12 ? rows[i][12] : rows[i][7]);
        }
        return labels;
    }

    QTemporaryDir dir;
};

TEST_F(UnitRecordTest, TwoProgramsAppendingToOneNewRecordLeaveOneHeaderAndEveryRowWhole) {
    const std::string record = file("record.csv");
    QProcess* first = writer({"append", QString::fromStdString(record), "200", "a"});
    QProcess* second = writer({"append", QString::fromStdString(record), "200", "b"});
    for (QProcess* process : {first, second}) {
        ASSERT_TRUE(process->waitForFinished(120000));
        EXPECT_EQ(process->exitCode(), 0) << process->readAllStandardError().toStdString();
        delete process;
    }
    const std::string text = read(record);
    EXPECT_TRUE(text.starts_with(kHeader));
    EXPECT_EQ(text.find(kHeader, 1), std::string::npos) << "the header once";
    const std::vector<std::string> labels = units(text);
    EXPECT_EQ(std::set<std::string>(labels.begin(), labels.end()).size(), 400u);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 401);
}

TEST_F(UnitRecordTest, ARowWaitsBesideAHeldRecordAndGoesInFirstOnceItIsFree) {
    const std::string record = file("record.csv");
    ASSERT_EQ(append(record, "one"), std::nullopt);
    QProcess* holder = writer({"hold", QString::fromStdString(record)});
    ASSERT_TRUE(holder->waitForReadyRead(30000));

    const auto note = append(record, "two");
    ASSERT_TRUE(note.has_value());
    const std::string pending = file("record.pending.csv");
    EXPECT_NE(note->find("cannot append to the record '" + record + "'"), std::string::npos)
        << *note;
    EXPECT_NE(note->find("kept in '" + pending + "'"), std::string::npos) << *note;
    EXPECT_EQ(units(read(pending)), std::vector<std::string>{"two"});

    holder->closeWriteChannel();
    ASSERT_TRUE(holder->waitForFinished(30000));
    delete holder;
    EXPECT_EQ(append(record, "three"), std::nullopt);
    EXPECT_EQ(units(read(record)), (std::vector<std::string>{"one", "two", "three"}));
    EXPECT_EQ(read(pending), "") << "nothing waits any more";
}

TEST_F(UnitRecordTest, ARecordThatCannotTakeTheseRowsIsRefusedBeforeAnythingStarts) {
    QDir(dir.path()).mkdir("folder");
    write(file("other.csv"), "serial,result\nX1,ok\n");
    write(file("first.csv"), kFirstHeader);
    struct Case {
        const char* name;
        const char* path;
        const char* refusal;  // nullptr: taken
    } const cases[] = {
        {"a folder", "folder", "it is a folder"},
        {"a missing folder", "missing/record.csv", "its folder does not exist"},
        {"other columns", "other.csv", "its first line is 'serial,result'"},
        {"the first records' columns", "first.csv", nullptr},
        {"a new file", "new.csv", nullptr},
    };
    for (const Case& c : cases) {
        const auto why = whyRecordRefused(file(c.path));
        if (c.refusal == nullptr) {
            EXPECT_EQ(why, std::nullopt) << c.name;
        } else {
            ASSERT_TRUE(why.has_value()) << c.name;
            EXPECT_NE(why->find(c.refusal), std::string::npos) << c.name << ": " << *why;
        }
    }
}

TEST_F(UnitRecordTest, ARecordWithTheFirstColumnsIsContinuedWithThemAndACutRowIsEnded) {
    const std::string record = file("first.csv");
    write(record, std::string(kFirstHeader) + "2026-01-01T00:00:00+00:00,pc,COM1,/dev/ttyUSB0");
    ASSERT_EQ(append(record, "label"), std::nullopt);
    const auto rows = csvRows(read(record));
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[1].size(), 4u) << "the cut row stays as it was";
    EXPECT_EQ(rows[2].size(), 12u);
    EXPECT_EQ(rows[2][7], "Completed.");
}

TEST_F(UnitRecordTest, CellsASpreadsheetWouldTakeForFormulasAreWrittenAsText) {
    const std::string record = file("record.csv");
    ASSERT_EQ(append(record, "=HYPERLINK(\"x\")", "+1, answered \"NG\""), std::nullopt);
    const std::string text = read(record);
    EXPECT_NE(text.find(",\"'+1, answered \"\"NG\"\"\","), std::string::npos) << text;
    EXPECT_NE(text.find(",\"'=HYPERLINK(\"\"x\"\")\","), std::string::npos) << text;
    const auto rows = csvRows(text);
    EXPECT_EQ(rows.at(1).at(12), "'=HYPERLINK(\"x\")");
}

}  // namespace
}  // namespace rkt5
