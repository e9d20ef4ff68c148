#pragma once

// The cables as the programs show them: the cable doctor's fingerprints with the COM number each
// port gets here, and the serial ports the system lists that no USB cable accounts for (a
// motherboard's COM1), each with what the rules find in it.

#include <string>
#include <vector>

#include "link/PortNames.h"
#include "link/SystemPorts.h"
#include "serial/CableFingerprint.h"
#include "serial/CableRules.h"

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

// The cable behind `device` in a survey of the system now, with what the rules find in it; nothing
// when the system knows nothing of the device (a pseudo-terminal).
std::optional<Cable> cableBehind(const std::string& device, const PortNames& names);

}  // namespace rkt5
