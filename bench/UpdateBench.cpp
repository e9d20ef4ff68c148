// A whole update from the terminal flasher against the simulated transceiver paced like a real
// line, beside the line-rate floor: the time the bytes that crossed the line need at 10 bit times
// a byte in the busier direction (transceiver to updater: every echo and every answer).
//
//   rkt5-bench-update [--quick] [--windows RELEASE_DIR]
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
//
// With the Windows release built (scripts/build-windows.sh; another folder with --windows), one
// more row has its rkt5-flash.exe do the clean 57600 update under wine, through COM12 mapped onto
// the simulator's pseudo-terminal in a wine prefix of its own, after one warm-up start. Its CPU is
// the program's own process; a line under the table adds what wine's processes that it waited
// for used (wine's server and the processes it outlives are in neither).
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
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
    std::string flasher;  // the program: rkt5-flash, or rkt5-flash.exe run by wine
    int baud;
    int blocks;                             // blocks written; 0 for the whole image
    AnswerFault fault = AnswerFault::None;  // what happens to every 50th "PG" answer
    int adapterLatencyMs = 0;  // how long the line's USB adapter holds the last bytes back
    bool log = false;          // rkt5-flash --log writes every exchange
    int timeoutMs = 5000;      // rkt5-flash --timeout-ms
    bool underWine = false;
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

// A wine prefix of the bench's own, made before the wine row and removed after it.
class WinePrefix {
  public:
    explicit WinePrefix(const std::string& dir) : path_(dir + "/wine") {
        setenv("WINEPREFIX", path_.c_str(), 1);
        setenv("WINEDEBUG", "-all", 1);
        rkt5::bench::runChild({"wineboot", "-i"});
    }
    ~WinePrefix() {
        rkt5::bench::runChild({"wineserver", "-k"});
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    WinePrefix(const WinePrefix&) = delete;
    WinePrefix& operator=(const WinePrefix&) = delete;

    // COM12 opens `device`.
    void mapCom12(const std::string& device) const {
        const auto link = std::filesystem::path(path_) / "dosdevices" / "com12";
        std::error_code ignored;
        std::filesystem::remove(link, ignored);
        std::filesystem::create_symlink(device, link);
    }

  private:
    std::string path_;
};

struct Paths {
    std::string dir;      // the bench's scratch folder
    std::string partial;  // the first blocks as an S-record file
};

// The flasher's command line for `run` against `port`.
std::vector<std::string> flasherArgs(const Run& run, const std::string& port, const Paths& paths) {
    std::vector<std::string> args{run.flasher,    "update",
                                  "--port",       port,
                                  "--baud",       std::to_string(run.baud),
                                  "--timeout-ms", std::to_string(run.timeoutMs)};
    if (run.underWine) {
        args.insert(args.begin(), "wine");
    }
    if (run.blocks > 0) {
        args.insert(args.end(), {"--image", paths.partial});
    }
    if (run.log) {
        args.insert(args.end(), {"--log", paths.dir + "/exchanges.log"});
    }
    return args;
}

// Runs one update and prints its row; false when it did not end in "Completed.". A wine row
// leaves a note for under the table.
bool benchRun(const Run& run, const Paths& paths, const rkt5::FlashImage& image,
              std::string& wineNote) {
    rkt5::sim::PtyTransceiver transceiver(
        {.pace = true,
         .baud = run.baud,
         .adapterLatency = std::chrono::milliseconds(run.adapterLatencyMs),
         .faults = answerFaults(run.fault)});
    std::optional<WinePrefix> wine;
    std::string port = transceiver.portPath();
    if (run.underWine) {
        wine.emplace(paths.dir);
        wine->mapCom12(port);
        port = "COM12";
        rkt5::bench::runChild({"wine", run.flasher, "--version"});  // wine's start-up, once
    }
    rkt5::bench::ChildRun result = rkt5::bench::runChild(flasherArgs(run, port, paths));
    if (run.underWine) {
        char note[96];
        std::snprintf(note, sizeof note,
                      "wine row: with the wine processes it waited for, %.2f s of CPU.",
                      result.cpuSeconds);
        wineNote = note;
        result.cpuSeconds = result.ownCpuSeconds;
    }
    const std::size_t bytesFromTransceiver = transceiver.bytesSent();
    const double floor = bytesFromTransceiver * 10.0 / run.baud;
    const int blocks = run.blocks > 0 ? run.blocks : blocksWithData(image);
    const std::size_t resends = programPackets(transceiver) - static_cast<std::size_t>(blocks);
    std::printf(
        "| %s | %d | %d%s | %s | %d ms | %zu | %d ms | %s | %zu | %.2f s | %.2f s | %+.2f%% | "
        "%.2f s | %.2f%% |\n",
        run.underWine ? "rkt5-flash.exe (wine)" : "rkt5-flash", run.baud, blocks,
        run.blocks > 0 ? " (first)" : " (all)", faultText(run.fault).c_str(), run.timeoutMs,
        resends, run.adapterLatencyMs, run.log ? "yes" : "no", bytesFromTransceiver, floor,
        result.wallSeconds, (result.wallSeconds / floor - 1) * 100, result.cpuSeconds,
        result.cpuSeconds / result.wallSeconds * 100);
    std::fflush(stdout);
    return result.exitCode == 0;
}

std::vector<Run> benchRuns(bool quick, const std::string& windowsRelease) {
    std::vector<Run> runs;
    if (!quick) {
        runs.push_back({RKT5_FLASH, 57600, 0});
        runs.push_back({RKT5_FLASH, 57600, 0, AnswerFault::Lost});
        runs.push_back({.flasher = RKT5_FLASH,
                        .baud = 57600,
                        .blocks = 0,
                        .fault = AnswerFault::Late,
                        .timeoutMs = 1000});
        runs.push_back({.flasher = RKT5_FLASH, .baud = 57600, .blocks = 0, .adapterLatencyMs = 16});
        runs.push_back({.flasher = RKT5_FLASH, .baud = 57600, .blocks = 0, .log = true});
        const std::string exe = windowsRelease + "/rkt5-flash.exe";
        if (std::filesystem::exists(exe)) {
            runs.push_back({.flasher = exe, .baud = 57600, .blocks = 0, .underWine = true});
        } else {
            std::printf("(No wine row: %s is not there; scripts/build-windows.sh makes it.)\n\n",
                        exe.c_str());
        }
    }
    runs.push_back({RKT5_FLASH, 38400, kPartialBlocks});
    runs.push_back({RKT5_FLASH, 9600, kPartialBlocks});
    return runs;
}

}  // namespace

int main(int argc, char** argv) {
    bool quick = false;
    std::string windowsRelease = RKT5_WINDOWS_RELEASE;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--quick") {
            quick = true;
        } else if (arg == "--windows" && i + 1 < argc) {
            windowsRelease = argv[++i];
        } else {
            std::fprintf(stderr, "usage: rkt5-bench-update [--quick] [--windows RELEASE_DIR]\n");
            return 2;
        }
    }
    auto image = std::make_unique<rkt5::FlashImage>();
    auto table = std::make_unique<rkt5::FirmwareTable>();
    rkt5::buildStartupImage(*image, *table);

    char dir[] = "/tmp/rkt5-bench-XXXXXX";
    if (mkdtemp(dir) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const Paths paths{dir, writePartialImage(*image, kPartialBlocks, std::string(dir) + "/32.mot")};
    const std::vector<Run> runs = benchRuns(quick, windowsRelease);

    std::printf(
        "Full update with rkt5-flash against the simulator paced at the line rate (8N1)\n\n");
    std::printf(
        "| flasher | speed | blocks | faults | time-out | resends | adapter latency | log | "
        "bytes from transceiver | line-rate floor | wall time | over floor | CPU | "
        "CPU of one core |\n");
    std::printf("|---|---:|---:|---|---:|---:|---:|---|---:|---:|---:|---:|---:|---:|\n");
    bool allCompleted = true;
    std::string wineNote;
    for (const Run& run : runs) {
        allCompleted = benchRun(run, paths, *image, wineNote) && allCompleted;
    }
    if (!wineNote.empty()) {
        std::printf("\n%s\n", wineNote.c_str());
    }
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
    if (!allCompleted) {
        std::printf("\nAt least one update did not end in \"Completed.\".\n");
        return 1;
    }
    return 0;
}
