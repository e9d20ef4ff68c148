#include "station/UnitRecord.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QSysInfo>
#include <cstdio>
#include <filesystem>
#include <utility>
#include <vector>

#include "image/RegionChecksum.h"
#include "station/CsvText.h"
#include "station/LockedFile.h"

#ifdef _WIN32
#include <QtGlobal>
#else
#include <pwd.h>
#include <unistd.h>
#endif

namespace rkt5 {

namespace {

// The columns of the first records, which later ones extend at the end, so that a reader of the
// first keeps finding its columns where they were.
constexpr std::string_view kFirstHeader =
    "time,computer,com,device,usb_serial,firmware,image_checksum,message,reason,seconds,sends,"
    "resends";
constexpr std::string_view kHeader =
    "time,computer,com,device,usb_serial,firmware,image_checksum,message,reason,seconds,sends,"
    "resends,unit,operator,image_sha256,program_version";
constexpr std::size_t kFirstColumns = 12;
constexpr std::size_t kColumns = 16;
// Enough of the start of a record to hold its header line.
constexpr std::size_t kHeaderLook = 1024;

enum class Layout { New, First, Current, Other };

// How a record that begins with `start` is written to: by its header line.
Layout layoutOf(std::string_view start) {
    if (start.empty()) {
        return Layout::New;
    }
    if (start.starts_with("\xEF\xBB\xBF")) {
        start.remove_prefix(3);  // a spreadsheet program saving as UTF-8 puts this mark first
    }
    std::string_view line = start.substr(0, start.find('\n'));
    if (line.ends_with('\r')) {
        line.remove_suffix(1);
    }
    return line == kHeader ? Layout::Current : line == kFirstHeader ? Layout::First : Layout::Other;
}

std::string isoTime(std::chrono::system_clock::time_point time) {
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(time.time_since_epoch()).count();
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(ms);
    return local.toOffsetFromUtc(local.offsetFromUtc()).toString(Qt::ISODate).toStdString();
}

std::vector<std::string> fieldsOf(const UnitResult& result, const RecordedRun& run) {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.1f", result.elapsed.count());
    return {
        isoTime(result.ended),
        run.computer,
        result.port.number > 0 ? "COM" + std::to_string(result.port.number) : "",
        result.port.device,
        result.port.serialNumber,
        run.firmware.name,
        run.firmware.checksum,
        result.outcome.message.text,
        result.outcome.reason,
        seconds,
        std::to_string(result.sends),
        std::to_string(result.resends),
        result.unit,
        run.operatorName,
        run.firmware.sha256,
        run.programVersion,
    };
}

// `rows` (of every column) as lines of a record laid out as `layout`.
std::string linesFor(std::vector<std::vector<std::string>> rows, Layout layout) {
    std::string text = layout == Layout::New ? std::string(kHeader) + "\n" : std::string();
    for (std::vector<std::string>& row : rows) {
        row.resize(layout == Layout::First ? kFirstColumns : kColumns);
        text += csvLine(row);
    }
    return text;
}

std::string signedInUser() {
#ifdef _WIN32
    return qEnvironmentVariable("USERNAME").toStdString();
#else
    if (const passwd* user = getpwuid(geteuid()); user != nullptr && user->pw_name != nullptr) {
        return user->pw_name;
    }
    return qEnvironmentVariable("USER").toStdString();
#endif
}

// Keeps `row` in the pending file, because the record could not take it (`why`).
std::string keepPending(const std::string& path, const std::vector<std::string>& row,
                        const std::string& why) {
    const std::string pending = pendingRecordPath(path);
    const std::string cannot = "cannot append to the record '" + path + "' (" + why + ")";
    auto opened = LockedFile::open(pending);
    std::optional<std::string> failed;
    if (auto* file = std::get_if<LockedFile>(&opened)) {
        const Layout layout = file->size() == 0 ? Layout::New : Layout::Current;
        failed = file->append(linesFor({row}, layout));
    } else {
        failed = std::get<LockedFile::Refusal>(opened).why;
    }
    if (failed) {
        std::string text = csvLine(row);
        text.pop_back();
        return cannot + ", nor keep its row in '" + pending + "' (" + *failed +
               "): the row is: " + text;
    }
    return cannot + ": its row is kept in '" + pending +
           "' and goes into the record, first, the next time it can be written";
}

// The rows waiting in the pending file, which is held locked meanwhile; none when there is none.
struct WaitingRows {
    std::optional<LockedFile> file;
    std::vector<std::vector<std::string>> rows;
};

// Nothing when rows wait that cannot be taken now: the next row must then wait behind them.
std::optional<WaitingRows> waitingRows(const std::string& path) {
    std::error_code error;
    const std::string pending = pendingRecordPath(path);
    if (std::filesystem::file_size(pending, error) == 0 || error) {
        return WaitingRows{};
    }
    auto opened = LockedFile::open(pending);
    auto* file = std::get_if<LockedFile>(&opened);
    if (file == nullptr) {
        return std::nullopt;
    }
    const auto text = file->read(0, file->size());
    if (!text) {
        return std::nullopt;
    }
    if (layoutOf(*text) != Layout::Current) {
        return WaitingRows{};  // not rows this program kept: left as they are
    }
    WaitingRows waiting{std::move(*file), csvRows(*text)};
    waiting.rows.erase(waiting.rows.begin());  // the header
    return waiting;
}

}  // namespace

RecordedRun recordedRun(std::string firmwareName, const FlashImage& image) {
    QByteArray bytes(FlashImage::kCells, '\0');
    for (int i = 0; i < FlashImage::kCells; ++i) {
        bytes[i] = static_cast<char>(image.cells()[i] & 0xFF);
    }
    return {QSysInfo::machineHostName().toStdString(),
            signedInUser(),
            RKT5_VERSION,
            {std::move(firmwareName), regionChecksum(image, "C0000", "FFFFF").text,
             QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex().toStdString()}};
}

std::string pendingRecordPath(const std::string& path) {
    const std::filesystem::path record(path);
    std::filesystem::path pending = record;
    pending.replace_filename(record.stem().string() + ".pending" + record.extension().string());
    return pending.string();
}

std::optional<std::string> whyRecordRefused(const std::string& path) {
    auto opened = LockedFile::open(path);
    if (const auto* refusal = std::get_if<LockedFile::Refusal>(&opened)) {
        if (!refusal->unwritable) {
            return std::nullopt;  // held for now: its rows wait until it is free
        }
        return "cannot append to the record '" + path + "': " + refusal->why;
    }
    const auto start = std::get<LockedFile>(opened).read(0, kHeaderLook);
    if (!start) {
        return "cannot read the record '" + path + "'";
    }
    if (layoutOf(*start) == Layout::Other) {
        const std::string line = start->substr(0, start->find_first_of("\r\n"));
        return "the record '" + path + "' has other columns than these rows: its first line is '" +
               line + "'; name a new file, or a record this program wrote";
    }
    return std::nullopt;
}

std::optional<std::string> appendUnitRecord(const std::string& path, const UnitResult& result,
                                            const RecordedRun& run) {
    const std::vector<std::string> row = fieldsOf(result, run);
    auto opened = LockedFile::open(path);
    auto* record = std::get_if<LockedFile>(&opened);
    if (record == nullptr) {
        return keepPending(path, row, std::get<LockedFile::Refusal>(opened).why);
    }
    const auto start = record->read(0, kHeaderLook);
    const Layout layout = start ? layoutOf(*start) : Layout::Other;
    if (layout == Layout::Other) {
        return keepPending(
            path, row, start ? "its header is not one this program writes" : "it cannot be read");
    }
    std::optional<WaitingRows> waiting = waitingRows(path);
    if (!waiting) {
        return keepPending(path, row, "the rows waiting for it cannot be read now");
    }
    const bool hadWaiting = !waiting->rows.empty();
    waiting->rows.push_back(row);
    std::string text = linesFor(std::move(waiting->rows), layout);
    // A row cut short at the end (a computer that lost power in the middle of it) ends here, so
    // that the next one starts on a line of its own.
    if (const std::uint64_t size = record->size(); size > 0 && record->read(size - 1, 1) != "\n") {
        text.insert(0, "\n");
    }
    if (auto failed = record->append(text)) {
        return keepPending(path, row, *failed);
    }
    if (hadWaiting) {
        waiting->file->empty();
    }
    return std::nullopt;
}

}  // namespace rkt5
