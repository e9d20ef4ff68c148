#pragma once

// What `rkt5-flash ports` shows: a row per port or cable, with what the cable doctor finds in it
// and the fix, as text for the operator or as JSON for support scripts.

#include <functional>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "serial/Cables.h"

namespace rkt5::cli {

struct PortReportRow {
    std::string com;        // "COM3", or "-" for a port beyond the numbers or a cable with none
    std::string device;     // empty for a cable that has no port
    std::string openState;  // "can be opened" or why not; empty when there is no port to open
    std::optional<Cable> cable;  // what the system knows of it, if anything
};

// One row per COM number that is bound or stands for a port the system has, then the ports
// beyond the menu's numbers or moved by a binding, then the cables that have no port.
// `openState` tells whether a device opens.
std::vector<PortReportRow> portReportRows(
    const PortNames& names, const std::set<int>& bound, const CableSurvey& survey,
    const std::function<std::string(const std::string& device)>& openState);

void printPortReport(const std::vector<PortReportRow>& rows,
                     const std::vector<CableFinding>& systemFindings, std::ostream& out);

std::string portReportJson(const std::vector<PortReportRow>& rows,
                           const std::vector<CableFinding>& systemFindings);

}  // namespace rkt5::cli
