#include "cli/protocol/UnitLabels.h"

#include <algorithm>

#include "common/RunTimeError.h"
#include "serial/PortNames.h"

namespace rkt5::cli {

namespace {

bool names(const StationPort& port, const std::string& text) {
    return text == port.device ||
           (port.number > 0 &&
            PortNames::parseComName(text, PortNames::kLastWindowsNumber) == port.number);
}

}  // namespace

std::vector<std::string> unitLabels(const std::vector<StationPort>& ports,
                                    const std::vector<std::string>& arguments) {
    std::vector<std::string> labels(ports.size());
    std::vector<bool> labelled(ports.size());
    for (const std::string& argument : arguments) {
        const std::size_t equals = argument.find('=');
        std::size_t unit = ports.size();
        std::string label = argument;
        if (equals != std::string::npos) {
            const std::string port = argument.substr(0, equals);
            const auto named = std::ranges::find_if(
                ports, [&port](const StationPort& candidate) { return names(candidate, port); });
            if (named != ports.end()) {
                unit = static_cast<std::size_t>(named - ports.begin());
                label = argument.substr(equals + 1);
            }
        }
        if (unit == ports.size() && ports.size() == 1) {
            unit = 0;  // one port: the whole text is its label, '=' and all
        }
        if (unit == ports.size()) {
            throw RunTimeError(ErrorNumber::ValueOutOfRange,
                               "'" + argument +
                                   "' names no port of this update: give COMn=LABEL or "
                                   "DEVICE=LABEL for each port");
        }
        if (labelled[unit]) {
            throw RunTimeError(ErrorNumber::ValueOutOfRange,
                               ports[unit].name() + " is labelled twice");
        }
        labelled[unit] = true;
        labels[unit] = label;
    }
    return labels;
}

}  // namespace rkt5::cli
