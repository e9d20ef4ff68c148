#include "cli/PortReport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <iomanip>

namespace rkt5::cli {

namespace {

void printFindings(const std::vector<CableFinding>& findings, std::size_t indent,
                   std::ostream& out) {
    for (const CableFinding& finding : findings) {
        out << std::string(indent, ' ') << "! " << finding.finding << "\n"
            << std::string(indent + 2, ' ') << "Fix: " << finding.fix << "\n";
    }
}

QString qt(const std::string& text) {
    return QString::fromStdString(text);
}

QJsonArray findingsJson(const std::vector<CableFinding>& findings) {
    QJsonArray array;
    for (const CableFinding& finding : findings) {
        array.append(QJsonObject{{"rule", qt(std::string(finding.rule))},
                                 {"finding", qt(finding.finding)},
                                 {"fix", qt(finding.fix)}});
    }
    return array;
}

QJsonValue optionalJson(const std::optional<int>& value) {
    return value ? QJsonValue(*value) : QJsonValue();
}

QJsonObject rowJson(const PortReportRow& row) {
    QJsonObject object{
        {"com", row.com == "-" ? QJsonValue() : QJsonValue(qt(row.com))},
        {"device", row.device.empty() ? QJsonValue() : QJsonValue(qt(row.device))},
        {"open", row.openState.empty() ? QJsonValue() : QJsonValue(qt(row.openState))}};
    if (!row.cable) {
        object["findings"] = QJsonArray();
        return object;
    }
    const CableFingerprint& cable = row.cable->fingerprint;
    const auto id = [](const std::optional<unsigned>& value) {
        return value ? QJsonValue(QString::number(*value, 16).rightJustified(4, '0'))
                     : QJsonValue();
    };
    object["vendorId"] = id(cable.vendorId);
    object["productId"] = id(cable.productId);
    object["chip"] = qt(cable.chip);
    object["serialNumber"] = qt(cable.serialNumber);
    object["location"] = qt(cable.location);
    object["driver"] = qt(cable.driver);
    object["driverVersion"] = qt(cable.driverVersion);
    object["problemCode"] =
        optionalJson(cable.problemCode ? std::optional<int>(static_cast<int>(*cable.problemCode))
                                       : std::nullopt);
    object["name"] = qt(cable.name);
    object["busDescription"] = qt(cable.busDescription);
    object["latencyMs"] = optionalJson(cable.latencyMs);
    object["holder"] = qt(cable.holder);
    object["accessDenied"] = cable.accessDenied;
    object["findings"] = findingsJson(row.cable->findings);
    return object;
}

}  // namespace

std::vector<PortReportRow> portReportRows(
    const PortNames& names, const std::set<int>& bound, const CableSurvey& survey,
    const std::function<std::string(const std::string& device)>& openState) {
    std::vector<PortReportRow> rows;
    std::set<std::string> numbered;
    for (int number = PortNames::kFirstNumber; number <= PortNames::kLastNumber; ++number) {
        const std::string device = names.deviceFor(number);
        const Cable* cable = cableAt(survey, device);
        if (bound.contains(number) || cable != nullptr) {
            rows.push_back({"COM" + std::to_string(number), device, openState(device),
                            cable != nullptr ? std::optional(*cable) : std::nullopt});
            numbered.insert(device);
        }
    }
    for (const Cable& cable : survey.cables) {
        const std::string& device = cable.fingerprint.device;
        if (device.empty()) {
            const auto com = cable.fingerprint.comNumber;
            rows.push_back({com ? "COM" + std::to_string(*com) : "-", "", "", cable});
        } else if (!numbered.contains(device)) {
            rows.push_back({"-", device, openState(device), cable});
        }
    }
    return rows;
}

void printPortReport(const std::vector<PortReportRow>& rows,
                     const std::vector<CableFinding>& systemFindings, std::ostream& out) {
    std::size_t width = 0;
    for (const PortReportRow& row : rows) {
        width =
            std::max(width, row.device.empty() ? std::string("no port").size() : row.device.size());
    }
    const std::size_t indent = width + 8;
    for (const PortReportRow& row : rows) {
        const std::string device = row.device.empty() ? "no port" : row.device;
        out << std::left << std::setw(6) << row.com;
        if (row.openState.empty()) {
            out << device << "\n";
        } else {
            out << std::setw(static_cast<int>(width) + 2) << device << row.openState << "\n";
        }
        if (!row.cable) {
            continue;
        }
        if (const std::string text = cableSummary(row.cable->fingerprint); !text.empty()) {
            out << std::string(indent, ' ') << text << "\n";
        }
        printFindings(row.cable->findings, indent, out);
    }
    printFindings(systemFindings, 0, out);
}

std::string portReportJson(const std::vector<PortReportRow>& rows,
                           const std::vector<CableFinding>& systemFindings) {
    QJsonArray ports;
    for (const PortReportRow& row : rows) {
        ports.append(rowJson(row));
    }
    const QJsonObject report{{"ports", ports}, {"findings", findingsJson(systemFindings)}};
    return QJsonDocument(report).toJson(QJsonDocument::Indented).toStdString();
}

}  // namespace rkt5::cli
