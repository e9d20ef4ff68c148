#include "station/UnitResult.h"

#include <utility>

namespace rkt5 {

UnitResult unitResultOf(const StationPort& port, std::string unit, const LinkRun& run) {
    return {.port = port,
            .outcome = run.outcome,
            .interrupted = run.stopped,
            .elapsed = run.elapsed,
            .sends = run.sends,
            .resends = run.resends,
            .ended = run.ended,
            .unit = std::move(unit),
            .recordNote = run.note};
}

}  // namespace rkt5
