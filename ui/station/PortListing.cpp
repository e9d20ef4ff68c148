#include "ui/station/PortListing.h"

#include <algorithm>
#include <utility>

#include "serial/CableReader.h"

namespace rkt5 {

PortListing::PortListing(PortNames names, std::vector<int> boundNumbers, SystemListing system,
                         CableListing cables)
    : names_(std::move(names)),
      bound_(std::move(boundNumbers)),
      system_(std::move(system)),
      cables_(std::move(cables)) {}

std::vector<StationPort> PortListing::current() {
    const std::vector<SystemPort> listed = system_();
    names_.setListedPorts(listed);
    std::vector<StationPort> ports =
        bound_.empty() ? usbAdapterPorts(names_, listed) : boundPorts(names_, bound_, listed);
    const CableSurvey survey = cables_(names_, listed);
    for (StationPort& port : ports) {
        port.cableAdvice = cableAdvice(survey, port.device);
    }
    return ports;
}

CableSurvey PortListing::systemCables(const PortNames& names,
                                      const std::vector<SystemPort>& listed) {
    return surveyCables(readCables(), listed, names, readCableSystem());
}

std::vector<StationPort> rowsAfterRefresh(const std::vector<StationPort>& rows,
                                          const std::vector<StationPort>& listed,
                                          const std::function<bool(const std::string&)>& running) {
    std::vector<StationPort> after = listed;
    // Where the next kept row goes: behind the row that stood before it.
    std::size_t next = 0;
    for (const StationPort& row : rows) {
        const auto found = std::ranges::find(after, row.device, &StationPort::device);
        if (found != after.end()) {
            next = static_cast<std::size_t>(found - after.begin()) + 1;
        } else if (running(row.device)) {
            after.insert(after.begin() + static_cast<std::ptrdiff_t>(next), row);
            ++next;
        }
    }
    return after;
}

}  // namespace rkt5
