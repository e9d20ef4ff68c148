#include "station/UnitRecord.h"

#include <QDateTime>
#include <QSysInfo>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <utility>

#include "image/RegionChecksum.h"

namespace rkt5 {

namespace {

constexpr std::string_view kHeader =
    "time,computer,com,device,usb_serial,firmware,image_checksum,message,reason,seconds,sends,"
    "resends\n";

// A field as CSV wants it: quoted, with quotes doubled, when it holds a separator, a quote or a
// line break (a reason can quote the transceiver's answer).
std::string field(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
        return std::string(text);
    }
    std::string quoted = "\"";
    for (const char c : text) {
        quoted += c == '"' ? "\"\"" : std::string(1, c);
    }
    return quoted + "\"";
}

std::string isoTime(std::chrono::system_clock::time_point time) {
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(time.time_since_epoch()).count();
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(ms);
    return local.toOffsetFromUtc(local.offsetFromUtc()).toString(Qt::ISODate).toStdString();
}

std::string row(const UnitResult& result, const RecordedFirmware& firmware) {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.1f", result.elapsed.count());
    const std::string fields[] = {
        isoTime(result.ended),
        QSysInfo::machineHostName().toStdString(),
        result.port.number > 0 ? "COM" + std::to_string(result.port.number) : "",
        result.port.device,
        result.port.serialNumber,
        firmware.name,
        firmware.checksum,
        result.outcome.message.text,
        result.outcome.reason,
        seconds,
        std::to_string(result.sends),
        std::to_string(result.resends),
    };
    std::string line;
    for (const std::string& text : fields) {
        line += (line.empty() ? "" : ",") + field(text);
    }
    return line + "\n";
}

}  // namespace

RecordedFirmware recordedFirmware(std::string name, const FlashImage& image) {
    return {std::move(name), regionChecksum(image, "C0000", "FFFFF").text};
}

std::optional<std::string> appendUnitRecord(const std::string& path, const UnitResult& result,
                                            const RecordedFirmware& firmware) {
    std::error_code error;
    const bool fresh =
        !std::filesystem::exists(path, error) || std::filesystem::file_size(path, error) == 0;
    std::ofstream out(path, std::ios::app | std::ios::binary);
    // One write per row, so that two programs appending to one record never mix their rows.
    const std::string text = (fresh ? std::string(kHeader) : std::string()) + row(result, firmware);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.flush();
    if (!out) {
        return "cannot append to the record '" + path + "'";
    }
    return std::nullopt;
}

}  // namespace rkt5
