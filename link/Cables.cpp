#include "link/Cables.h"

#include <algorithm>

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

std::optional<Cable> cableBehind(const std::string& device, const PortNames& names) {
    const CableSurvey survey = surveyCables(names);
    const auto found = std::find_if(survey.cables.begin(), survey.cables.end(),
                                    [&](const Cable& c) { return c.fingerprint.device == device; });
    return found == survey.cables.end() ? std::nullopt : std::optional(*found);
}

}  // namespace rkt5
