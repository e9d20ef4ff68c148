#include "ui/station/StationOptions.h"

#include "link/LineOptionText.h"

namespace rkt5 {

namespace {

// Each row is a device: two numbers bound to one would be one transceiver written twice at once.
std::optional<QString> boundTwice(const WindowCommandLine& line) {
    const std::vector<int>& bound = line.boundNumbers();
    for (std::size_t i = 0; i < bound.size(); ++i) {
        for (std::size_t j = 0; j < i; ++j) {
            const std::string device = line.names().deviceFor(bound[i]);
            if (line.names().deviceFor(bound[j]) == device) {
                return QString("--port: COM%1 and COM%2 both stand for %3")
                    .arg(bound[j])
                    .arg(bound[i])
                    .arg(QString::fromStdString(device));
            }
        }
    }
    return std::nullopt;
}

}  // namespace

void addStationOptions(WindowCommandLine& line) {
    QCommandLineParser& parser = line.parser();
    parser.addOption({"baud", "line speed 9600, 38400 or 57600 (default 57600)", "N"});
    parser.addOption({"timeout-ms", "how long to wait for each answer (default 5000)", "N"});
    parser.addOption({"record", "append a CSV row per transceiver and update to FILE", "FILE"});
    parser.addOption(
        {"log", "write every exchange to a log per transceiver and update in folder DIR", "DIR"});
}

std::optional<StationOptions> readStationOptions(const WindowCommandLine& line) {
    const QCommandLineParser& parser = line.parser();
    if (const auto twice = boundTwice(line)) {
        line.usageError(*twice);
        return std::nullopt;
    }
    StationOptions options;
    const auto given = [&parser](const QString& name) {
        return parser.isSet(name) ? std::optional(parser.value(name).toStdString()) : std::nullopt;
    };
    std::string error;
    if (!readLineOptionTexts(given("baud"), given("timeout-ms"), options.speedIndex,
                             options.timeout, error)) {
        line.usageError(QString::fromStdString(error));
        return std::nullopt;
    }
    options.recordPath = parser.value("record").toStdString();
    options.logFolder = parser.value("log").toStdString();
    return options;
}

}  // namespace rkt5
