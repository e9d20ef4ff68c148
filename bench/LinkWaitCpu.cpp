// CPU cost of waiting for the transceiver: a run of back-to-back exchanges against the paced
// simulated transceiver, once with the link's own wait (which sleeps until the port or the timer
// wakes it) and once with a wait that spins on the event loop, side by side.
//
//   rkt5-bench-link-wait [SECONDS [BUSY_SECONDS]]     (defaults 60 and 5)
//
// CPU time is taken for the thread that runs the link (the simulator serves from its own thread,
// whose pacing is not ours to count) and, for reference, for the whole process.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <numeric>
#include <string>
#include <string_view>

#include <QCoreApplication>
#include <QEventLoop>

#include "common/WireProtocol.h"
#include "link/ChosenLine.h"
#include "link/RadioLink.h"
#include "serial/PortNames.h"
#include "serial/QtSerialPort.h"
#include "sim/PtyTransceiver.h"

namespace {

using Clock = std::chrono::steady_clock;
using rkt5::RadioLink;

double cpuSeconds(int who) {
    rusage usage{};
    getrusage(who, &usage);
    const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

struct Tally {
    double wall = 0;
    double threadCpu = 0;
    double processCpu = 0;
    long exchanges = 0;
    long failures = 0;
};

void loadEndPacket(RadioLink& link) {
    link.PacketBuffer.fill(0xFF);
    link.PacketBuffer[1] = rkt5::wire::kPacketHead1;
    link.PacketBuffer[2] = 'E';
    link.PacketBuffer[3] = 'D';
    const unsigned sum =
        std::accumulate(link.PacketBuffer.begin() + 2,
                        link.PacketBuffer.begin() + rkt5::wire::kPacketChecksumOffset, 0u);
    link.PacketBuffer[rkt5::wire::kPacketChecksumOffset] = static_cast<std::uint8_t>(sum);
}

// One round of the exchanges an update starts with: model check, connect, and a flash packet.
void roundWithTheLinksWait(RadioLink& link, Tally& tally) {
    tally.failures += link.CheckModel().status != rkt5::Reply::OK;
    tally.failures += link.ConnectRadio(rkt5::ProtocolMode::Mode2).status != rkt5::Reply::CT;
    link.openPortIfClosed();
    tally.failures += link.SendPacket(rkt5::ProtocolMode::Mode2) < 1036;
    link.closePortIfOpen();
    tally.exchanges += 3;
}

// The same round with waits that never sleep: each pass handles whatever events are pending and
// polls the byte count again at once.
void spinUntil(RadioLink& link, int count) {
    while (link.Timer1.armed() && link.MSComm1.inBufferCount() < count) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
}

int spinningTextExchange(RadioLink& link, std::string_view text, int awaited) {
    link.ApplyLineSettings(rkt5::ProtocolMode::Mode2);
    link.openPortIfClosed();
    link.MSComm1.output({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
    link.Timer1.arm();
    spinUntil(link, awaited);
    link.Timer1.disarm();
    const int count = link.MSComm1.inBufferCount();
    link.RxBuffer = link.MSComm1.input();
    link.closePortIfOpen();
    return count;
}

int spinningPacket(RadioLink& link) {
    link.ApplyLineSettings(rkt5::ProtocolMode::Mode2);
    link.openPortIfClosed();
    const std::span<const std::uint8_t> packet = link.PacketBuffer;
    link.MSComm1.output(packet.first(512));
    link.Timer1.arm();
    spinUntil(link, 512);
    int count = link.MSComm1.inBufferCount();
    link.MSComm1.input();
    link.MSComm1.output(packet.subspan(512));
    spinUntil(link, 524);
    count += link.MSComm1.inBufferCount();
    link.MSComm1.input();
    link.Timer1.disarm();
    link.closePortIfOpen();
    return count;
}

void roundWithASpinningWait(RadioLink& link, Tally& tally) {
    tally.failures += spinningTextExchange(link, rkt5::wire::kModelCommand, 17) < 17;
    tally.failures += spinningTextExchange(link, rkt5::wire::kConnectCommandMode2, 13) < 13;
    tally.failures += spinningPacket(link) < 1036;
    tally.exchanges += 3;
}

template <typename Round>
Tally run(RadioLink& link, std::chrono::duration<double> length, Round round) {
    Tally tally;
    const double thread0 = cpuSeconds(RUSAGE_THREAD);
    const double process0 = cpuSeconds(RUSAGE_SELF);
    const auto start = Clock::now();
    while (Clock::now() - start < length) {
        round(link, tally);
    }
    tally.wall = std::chrono::duration<double>(Clock::now() - start).count();
    tally.threadCpu = cpuSeconds(RUSAGE_THREAD) - thread0;
    tally.processCpu = cpuSeconds(RUSAGE_SELF) - process0;
    return tally;
}

void printRow(const char* name, const Tally& t) {
    std::printf("%-22s %8.1f %10.3f %9.2f %14.2f %10ld %9ld\n", name, t.wall, t.threadCpu,
                100.0 * t.threadCpu / t.wall, 100.0 * t.processCpu / t.wall, t.exchanges,
                t.failures);
}

double argumentSeconds(int argc, char** argv, int index, double fallback) {
    if (argc <= index) {
        return fallback;
    }
    char* end = nullptr;
    const double value = std::strtod(argv[index], &end);
    if (end == argv[index] || *end != '\0' || !(value > 0)) {
        std::fprintf(stderr, "usage: %s [SECONDS [BUSY_SECONDS]]  (positive numbers)\n", argv[0]);
        std::exit(2);
    }
    return value;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const double seconds = argumentSeconds(argc, argv, 1, 60);
    const double busySeconds = argumentSeconds(argc, argv, 2, 5);

    // Paced at 57600 bit/s, as "Start" talks to the transceiver.
    rkt5::sim::SimulatorOptions options;  // paced by default
    rkt5::sim::PtyTransceiver transceiver{options};
    rkt5::QtSerialPort port;
    rkt5::ChosenLine choice;
    choice.chosenPort = rkt5::PortNames::bound(1, transceiver.portPath());
    RadioLink link{port, choice};
    loadEndPacket(link);

    std::printf("exchanges against the paced simulator at 57600 bit/s on %s\n",
                transceiver.portPath().c_str());
    const Tally ours = run(link, std::chrono::duration<double>(seconds), roundWithTheLinksWait);
    const Tally busy =
        run(link, std::chrono::duration<double>(busySeconds), roundWithASpinningWait);

    std::printf("\n%-22s %8s %10s %9s %14s %10s %9s\n", "wait", "wall s", "cpu s", "cpu %",
                "process cpu %", "exchanges", "failures");
    printRow("sleeping (the link's)", ours);
    printRow("busy polling", busy);
    std::printf(
        "\ncpu: user+system time of the thread that runs the link; cpu %% is of one core.\n"
        "process cpu %% adds the simulator's own thread.\n");
    return ours.failures == 0 && busy.failures == 0 ? 0 : 1;
}
