#pragma once

#include <QtGlobal>

namespace rkt5 {

// USB serial adapters hold received bytes back for up to 16 ms before they hand them over, and
// every stop-and-wait exchange pays that. This asks the driver of the open port `handle` to hand
// them over at once. Where it cannot (pseudo-terminals, drivers without the setting, systems
// other than Linux) nothing changes and nothing fails.
void requestLowLatency(qintptr handle);

}  // namespace rkt5
