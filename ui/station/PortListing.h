#pragma once

#include <functional>
#include <string>
#include <vector>

#include "serial/Cables.h"
#include "serial/PortNames.h"
#include "serial/SystemPorts.h"
#include "station/StationPort.h"

namespace rkt5 {

// The ports the station shows: those bound on the command line when any are (they stay, whatever
// the system lists, and only what the system says of their adapters changes), else every USB
// serial adapter the system lists now, numbered as the updater's "COM" menu numbers them.
class PortListing {
  public:
    using SystemListing = std::function<std::vector<SystemPort>()>;
    // What is known of the cables, given the ports listed and their numbers.
    using CableListing =
        std::function<CableSurvey(const PortNames&, const std::vector<SystemPort>& listed)>;

    // `system` lists the serial ports there are now, and `cables` what is known of the cables:
    // the system's own, or a test's.
    explicit PortListing(PortNames names = {}, std::vector<int> boundNumbers = {},
                         SystemListing system = describeSystemPorts,
                         CableListing cables = systemCables);

    // The system's cables now, with the ports listed.
    static CableSurvey systemCables(const PortNames& names, const std::vector<SystemPort>& listed);

    // Reads the system's list anew, with what the cable doctor finds in each port's cable.
    std::vector<StationPort> current();

  private:
    PortNames names_;
    std::vector<int> bound_;
    SystemListing system_;
    CableListing cables_;
};

// The rows after a refresh: the listed ports in their order, and a port no longer listed kept
// where it was while it is being written (its cable may be back before the write notices);
// one that is not running goes.
std::vector<StationPort> rowsAfterRefresh(const std::vector<StationPort>& rows,
                                          const std::vector<StationPort>& listed,
                                          const std::function<bool(const std::string&)>& running);

}  // namespace rkt5
