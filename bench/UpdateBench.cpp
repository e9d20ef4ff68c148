// A whole update from the terminal flasher against the simulated transceiver paced like a real
// line, beside the line-rate floor: the time the bytes that crossed the line need at 10 bit times
// a byte in the busier direction (transceiver to updater: every echo and every answer).
//
//   rkt5-bench-update [--quick]
//
// 57600 bit/s writes the whole built-in image; 38400 and 9600 write its first 32 blocks (an
// S-record file made from the image), which is enough to see the rate at those speeds. --quick
// runs only the 32-block rows. CPU is the flasher process's own (user + system), from wait4. One
// 57600 row has the transceiver's output held back as a USB adapter outside low-latency mode
// holds it (16 ms), to show what every stop-and-wait exchange pays for that; another writes the
// exchange log (--log), which should cost nothing a user can see. Two rows put faults on the
// "PG" packets: one answer in 50 lost (a time-out and a resend each), and one answer in 50 late by
// 1.5 s with a 1 s time-out, so that the late answer lands in a later packet's echo (a time-out
// and one resend each, with nothing lost to the collision). Resends counts the "PG" packets the
// transceiver received beyond one per block.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "bench/ChildProcess.h"
#include "common/WireProtocol.h"
#include "firmware/FirmwareLines.h"
#include "flash/FlashPacket.h"
#include "image/FlashImage.h"
#include "image/StartupImage.h"
#include "sim/PtyTransceiver.h"

namespace {

constexpr int kLastRowWithoutAccessWord = rkt5::wire::kTopBlockStart / 16 - 1;
constexpr int kPartialBlocks = 32;

enum class AnswerFault { None, Lost, Late };

struct Run {
    int baud;
    int blocks;                             // blocks written; 0 for the whole image
    AnswerFault fault = AnswerFault::None;  // what happens to every 50th "PG" answer
    int adapterLatencyMs = 0;  // how long the line's USB adapter holds the last bytes back
    bool log = false;          // rkt5-flash --log writes every exchange
    int timeoutMs = 5000;      // rkt5-flash --timeout-ms
};

constexpr int kFaultEvery = 50;
constexpr std::chrono::milliseconds kLateBy{1500};

// The fault on every 50th program packet: its answer lost, or sent 1.5 s late.
std::vector<rkt5::sim::Fault> answerFaults(AnswerFault fault) {
    std::vector<rkt5::sim::Fault> faults;
    for (int occurrence = kFaultEvery; fault != AnswerFault::None && occurrence <= 300;
         occurrence += kFaultEvery) {
        rkt5::sim::Fault rule{.kind = rkt5::sim::MessageKind::Program, .occurrence = occurrence};
        if (fault == AnswerFault::Lost) {
            rule.action = rkt5::sim::Fault::Action::PartialReply;
        } else {
            rule.action = rkt5::sim::Fault::Action::Late;
            rule.delay = kLateBy;
        }
        faults.push_back(rule);
    }
    return faults;
}

std::string faultText(AnswerFault fault) {
    switch (fault) {
        case AnswerFault::Lost:
            return "1 answer in 50 lost";
        case AnswerFault::Late:
            return "1 answer in 50 late by 1.5 s";
        case AnswerFault::None:
            break;
    }
    return "none";
}

std::size_t programPackets(const rkt5::sim::PtyTransceiver& transceiver) {
    std::size_t count = 0;
    for (const auto& message : transceiver.receivedMessages()) {
        count += message.kind == rkt5::sim::MessageKind::Program ? 1 : 0;
    }
    return count;
}

// The first `blocks` blocks with data of the image as an S-record file.
std::string writePartialImage(const rkt5::FlashImage& image, int blocks, const std::string& path) {
    std::ofstream out(path);
    int written = 0;
    for (int row = rkt5::FlashImage::kFirstRow;
         row <= kLastRowWithoutAccessWord && written < blocks; row += rkt5::kRowsPerBlock) {
        if (!rkt5::blockHasData(image, row)) {
            continue;
        }
        ++written;
        for (int r = row; r < row + rkt5::kRowsPerBlock; ++r) {
            const unsigned address = static_cast<unsigned>(r) * 16;
            unsigned sum = 20 + (address >> 16) + ((address >> 8) & 0xFF) + (address & 0xFF);
            char line[64];
            int at = std::snprintf(line, sizeof line, "S214%06X", address);
            for (int column = 0; column < 16; ++column) {
                const unsigned b = static_cast<unsigned>(image.cell(r, column)) & 0xFF;
                sum += b;
                at +=
                    std::snprintf(line + at, sizeof line - static_cast<std::size_t>(at), "%02X", b);
            }
            std::snprintf(line + at, sizeof line - static_cast<std::size_t>(at), "%02X\r\n",
                          ~sum & 0xFF);
            out << line;
        }
    }
    return path;
}

int blocksWithData(const rkt5::FlashImage& image) {
    int blocks = 0;
    for (int row = rkt5::FlashImage::kFirstRow; row <= kLastRowWithoutAccessWord;
         row += rkt5::kRowsPerBlock) {
        blocks += rkt5::blockHasData(image, row) ? 1 : 0;
    }
    return blocks;
}

}  // namespace

int main(int argc, char** argv) {
    const bool quick = argc > 1 && std::string_view(argv[1]) == "--quick";
    auto image = std::make_unique<rkt5::FlashImage>();
    auto table = std::make_unique<rkt5::FirmwareTable>();
    rkt5::buildStartupImage(*image, *table);

    char dir[] = "/tmp/rkt5-bench-XXXXXX";
    if (mkdtemp(dir) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string partial =
        writePartialImage(*image, kPartialBlocks, std::string(dir) + "/32.mot");

    std::vector<Run> runs;
    if (!quick) {
        runs.push_back({57600, 0});
        runs.push_back({57600, 0, AnswerFault::Lost});
        runs.push_back({.baud = 57600, .blocks = 0, .fault = AnswerFault::Late, .timeoutMs = 1000});
        runs.push_back({.baud = 57600, .blocks = 0, .adapterLatencyMs = 16});
        runs.push_back({.baud = 57600, .blocks = 0, .log = true});
    }
    runs.push_back({38400, kPartialBlocks});
    runs.push_back({9600, kPartialBlocks});

    std::printf(
        "Full update with rkt5-flash against the simulator paced at the line rate (8N1)\n\n");
    std::printf(
        "| speed | blocks | faults | time-out | resends | adapter latency | log | "
        "bytes from transceiver | line-rate floor | wall time | over floor | CPU | "
        "CPU of one core |\n");
    std::printf("|---:|---:|---|---:|---:|---:|---|---:|---:|---:|---:|---:|---:|\n");
    bool allCompleted = true;
    for (const Run& run : runs) {
        rkt5::sim::PtyTransceiver transceiver(
            {.pace = true,
             .baud = run.baud,
             .adapterLatency = std::chrono::milliseconds(run.adapterLatencyMs),
             .faults = answerFaults(run.fault)});
        std::vector<std::string> args{RKT5_FLASH,     "update",
                                      "--port",       transceiver.portPath(),
                                      "--baud",       std::to_string(run.baud),
                                      "--timeout-ms", std::to_string(run.timeoutMs)};
        if (run.blocks > 0) {
            args.insert(args.end(), {"--image", partial});
        }
        if (run.log) {
            args.insert(args.end(), {"--log", std::string(dir) + "/exchanges.log"});
        }
        const rkt5::bench::ChildRun result = rkt5::bench::runChild(args);
        const std::size_t bytesFromTransceiver = transceiver.bytesSent();
        allCompleted = allCompleted && result.exitCode == 0;
        const double floor = bytesFromTransceiver * 10.0 / run.baud;
        const int blocks = run.blocks > 0 ? run.blocks : blocksWithData(*image);
        const std::size_t resends = programPackets(transceiver) - static_cast<std::size_t>(blocks);
        std::printf(
            "| %d | %d%s | %s | %d ms | %zu | %d ms | %s | %zu | %.2f s | %.2f s | %+.2f%% | %.2f "
            "s | %.2f%% |\n",
            run.baud, blocks, run.blocks > 0 ? " (first)" : " (all)", faultText(run.fault).c_str(),
            run.timeoutMs, resends, run.adapterLatencyMs, run.log ? "yes" : "no",
            bytesFromTransceiver, floor, result.wallSeconds, (result.wallSeconds / floor - 1) * 100,
            result.cpuSeconds, result.cpuSeconds / result.wallSeconds * 100);
        std::fflush(stdout);
    }
    std::remove(partial.c_str());
    std::remove((std::string(dir) + "/exchanges.log").c_str());
    rmdir(dir);
    if (!allCompleted) {
        std::printf("\nAt least one update did not end in \"Completed.\".\n");
        return 1;
    }
    return 0;
}
