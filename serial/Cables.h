#pragma once

// The cables as the programs show them: the cable doctor's fingerprints with the COM number each
// port gets here, and the serial ports the system lists that no USB cable accounts for (a
// motherboard's COM1), each with what the rules find in it.

#include <string>
#include <vector>

#include "serial/CableFingerprint.h"
#include "serial/CableRules.h"
#include "serial/PortNames.h"
#include "serial/SystemPorts.h"

namespace rkt5 {

struct Cable {
    CableFingerprint fingerprint;
    std::vector<CableFinding> findings;
};

struct CableSurvey {
    std::vector<Cable> cables;
    std::vector<CableFinding> findings;  // of the system as a whole (no cable at all)
};

// The survey of fingerprints read elsewhere: `ports` adds the listed ports the fingerprints lack,
// `names` gives the COM numbers.
CableSurvey surveyCables(std::vector<CableFingerprint> fingerprints,
                         const std::vector<SystemPort>& ports, const PortNames& names,
                         const CableSystem& system);

// The survey of the system now, with the programs' COM numbers.
CableSurvey surveyCables(const PortNames& names);

// The cable behind `device` in a survey; none when the system knows nothing of it.
const Cable* cableAt(const CableSurvey& survey, const std::string& device);

// One line of what the system says of a cable: chip or name, USB ids, serial number, where it is
// plugged in, its driver, problem code and latency timer, as far as known.
std::string cableSummary(const CableFingerprint& cable);

// What a failure's details add of the cable behind `device` in `survey`: each finding and its
// fix, "Cable: … / Fix: …", each on a line of its own; empty when the rules find nothing there.
std::string cableAdvice(const CableSurvey& survey, const std::string& device);

// The cable behind `device` for a log: its summary, then its findings and fixes, a line each;
// empty when the system knows nothing of the device (a pseudo-terminal).
std::string cableReport(const CableSurvey& survey, const std::string& device);
// The same of the USB cables the system has now; it reads no listing of ports, so any thread may
// ask.
std::string cableReport(const std::string& device);

}  // namespace rkt5
