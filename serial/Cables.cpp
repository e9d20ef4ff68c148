#include "serial/Cables.h"

#include <algorithm>
#include <cstdio>

#include "serial/CableReader.h"

namespace rkt5 {

namespace {

std::optional<int> comNumberOf(const std::string& device, const PortNames& names) {
    for (int number = PortNames::kFirstNumber; number <= PortNames::kLastNumber; ++number) {
        if (names.deviceFor(number) == device) {
            return number;
        }
    }
    // Windows' own numbers go beyond the menu's.
    return PortNames::parseComName(device, PortNames::kLastWindowsNumber);
}

std::string hex4(unsigned id) {
    char text[8];
    std::snprintf(text, sizeof text, "%04x", id & 0xFFFFu);
    return text;
}

}  // namespace

CableSurvey surveyCables(std::vector<CableFingerprint> fingerprints,
                         const std::vector<SystemPort>& ports, const PortNames& names,
                         const CableSystem& system) {
    for (const SystemPort& port : ports) {
        // A cable whose device did not start keeps its COM number, and Windows may list it.
        const bool known = std::any_of(
            fingerprints.begin(), fingerprints.end(), [&](const CableFingerprint& cable) {
                return cable.device == port.device ||
                       (cable.comNumber && "COM" + std::to_string(*cable.comNumber) == port.device);
            });
        if (!known) {
            CableFingerprint cable;
            cable.device = port.device;
            cable.name = port.description;
            cable.vendorId = port.vendorId;
            cable.productId = port.productId;
            cable.serialNumber = port.serialNumber;
            cable.location = port.location;
            fingerprints.push_back(std::move(cable));
        }
    }
    CableSurvey survey;
    survey.findings = systemFindings(fingerprints, system);
    for (CableFingerprint& cable : fingerprints) {
        if (!cable.device.empty() && !cable.comNumber) {
            cable.comNumber = comNumberOf(cable.device, names);
        }
        std::vector<CableFinding> findings = findingsFor(cable, system);
        survey.cables.push_back({std::move(cable), std::move(findings)});
    }
    return survey;
}

CableSurvey surveyCables(const PortNames& names) {
    return surveyCables(readCables(), describeSystemPorts(), names, readCableSystem());
}

const Cable* cableAt(const CableSurvey& survey, const std::string& device) {
    const auto found = std::find_if(survey.cables.begin(), survey.cables.end(),
                                    [&](const Cable& c) { return c.fingerprint.device == device; });
    return found == survey.cables.end() ? nullptr : &*found;
}

std::string cableSummary(const CableFingerprint& cable) {
    std::string text;
    const auto add = [&text](const std::string& part) {
        if (!part.empty()) {
            text += (text.empty() ? "" : ", ") + part;
        }
    };
    add(cable.chip.empty() ? cable.name : cable.chip);
    if (cable.vendorId && cable.productId) {
        add("USB " + hex4(*cable.vendorId) + ":" + hex4(*cable.productId));
    }
    if (!cable.serialNumber.empty()) {
        add("serial " + cable.serialNumber);
    }
    if (!cable.location.empty()) {
        add("at " + cable.location);
    }
    if (!cable.driver.empty()) {
        add("driver " + cable.driver +
            (cable.driverVersion.empty() ? "" : " " + cable.driverVersion));
    }
    if (cable.problemCode) {
        add("problem code " + std::to_string(*cable.problemCode));
    }
    if (cable.latencyMs) {
        add("latency " + std::to_string(*cable.latencyMs) + " ms");
    }
    return text;
}

std::string cableAdvice(const CableSurvey& survey, const std::string& device) {
    std::string advice;
    if (const Cable* cable = cableAt(survey, device)) {
        for (const CableFinding& finding : cable->findings) {
            advice += (advice.empty() ? "" : "\n") + ("Cable: " + finding.finding) +
                      "\nFix: " + finding.fix;
        }
    }
    return advice;
}

std::string cableReport(const CableSurvey& survey, const std::string& device) {
    const Cable* cable = cableAt(survey, device);
    if (cable == nullptr) {
        return {};
    }
    const std::string advice = cableAdvice(survey, device);
    return cableSummary(cable->fingerprint) + (advice.empty() ? "" : "\n" + advice);
}

std::string cableReport(const std::string& device) {
    return cableReport(surveyCables(readCables(), {}, PortNames{}, readCableSystem()), device);
}

}  // namespace rkt5
