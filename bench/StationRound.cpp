#include "bench/StationRound.h"

#include <QEventLoop>
#include <QTimer>

namespace rkt5::bench {

std::map<std::string, UnitResult> updateAllAtOnce(Station& station,
                                                  const std::vector<StationPort>& ports,
                                                  std::chrono::milliseconds limit) {
    std::map<std::string, UnitResult> ended;
    // The loop is the receiver of every connection made here, so they end with it.
    QEventLoop loop;
    QObject::connect(&station, &Station::finished, &loop,
                     [&ended](const UnitResult& result) { ended[result.port.device] = result; });
    QObject::connect(&station, &Station::idle, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    bool anyStarted = false;
    for (const StationPort& port : ports) {
        anyStarted = station.start(port) || anyStarted;
    }
    if (anyStarted) {
        QTimer::singleShot(limit, &loop, [&station] { station.stop(); });
        loop.exec();
    }
    return ended;
}

}  // namespace rkt5::bench
