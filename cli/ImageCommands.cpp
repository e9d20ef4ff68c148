#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "cli/Command.h"
#include "cli/CommandImage.h"
#include "cli/CommandParser.h"
#include "cli/FileCheckReport.h"
#include "image/FlashImage.h"
#include "image/RegionChecksum.h"
#include "image/TextLines.h"

namespace rkt5::cli {

namespace {

constexpr std::string_view kDumpUsage =
    "usage: rkt5-flash dump-image OUT.bin [--image FILE]\n"
    "\n"
    "Writes the 262,144 bytes of the flash image (0xC0000-0xFFFFF) to OUT.bin: the built-in\n"
    "EG5.000 firmware, or FILE (S-records, or Intel HEX when its name ends in \"hex\").\n"
    "Exit 0 when written, 1 when FILE does not load or OUT.bin cannot be written, 2 on usage\n"
    "errors.\n";

constexpr std::string_view kChecksumUsage =
    "usage: rkt5-flash checksum [START END] [--image FILE]\n"
    "\n"
    "Prints the plain sum of the image bytes from START to END inclusive (hex addresses,\n"
    "default E0000 FFFFF) in upper-case hex, as the \"CS\" button shows it. The image is the\n"
    "built-in firmware unless FILE is given. Exit 1 when FILE does not load or the region\n"
    "reaches outside the image, 2 on usage errors.\n";

constexpr std::string_view kCheckUsage =
    "usage: rkt5-flash check FILE\n"
    "\n"
    "Checks an S-record file (Intel HEX when its name ends in \"hex\") strictly and prints every\n"
    "problem as FILE:LINE: reason: characters that are not hexadecimal, byte counts that do not\n"
    "match the line, bad checksums, record types the updater refuses, data outside\n"
    "0xC0000-0xFFFFF, records that overlap, data after the end record, lines ended by LF alone,\n"
    "no data at all. The writing commands run this check on --image FILE before the port\n"
    "opens. Exit 0 when there is no problem, 1 when there is any, 2 on usage errors.\n";

const QCommandLineOption kImageOption{
    "image", "the image from FILE instead of the built-in firmware", "FILE"};

bool writeImageBytes(const FlashImage& image, const std::string& path) {
    std::string bytes(FlashImage::kCells, '\0');
    std::transform(image.cells(), image.cells() + FlashImage::kCells, bytes.begin(),
                   [](std::int16_t cell) { return static_cast<char>(cell & 0xFF); });
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return static_cast<bool>(out);
}

int runDumpImage(std::span<const std::string_view> argv, const CommandIo& io) {
    CommandParser args("dump-image", kDumpUsage);
    args.addOption(kImageOption);
    args.addPositional("OUT.bin", "the file to write", true);
    if (const auto exitCode = args.parse(argv, io))
        return *exitCode;
    const std::unique_ptr<FlashImage> image = commandImage(args.value("image"), io.err);
    if (!image)
        return kExitFailed;

    const std::string& outPath = args.positional()[0];
    if (!writeImageBytes(*image, outPath)) {
        io.err << "rkt5-flash dump-image: cannot write '" << outPath << "'\n";
        return kExitFailed;
    }
    return kExitOk;
}

int runChecksum(std::span<const std::string_view> argv, const CommandIo& io) {
    CommandParser args("checksum", kChecksumUsage);
    args.addOption(kImageOption);
    args.addPositional("START", "the first address, in hex (default E0000)", false);
    args.addPositional("END", "the last address, in hex (default FFFFF)", false);
    if (const auto exitCode = args.parse(argv, io))
        return *exitCode;
    if (args.positional().size() == 1)
        return args.usageError(io, "missing argument END");
    const std::unique_ptr<FlashImage> image = commandImage(args.value("image"), io.err);
    if (!image)
        return kExitFailed;

    const bool given = args.positional().size() == 2;
    const RegionChecksum sum = regionChecksum(*image, given ? args.positional()[0] : "E0000",
                                              given ? args.positional()[1] : "FFFFF");
    if (!sum.ok) {
        io.err << sum.text << "\n";
        return kExitFailed;
    }
    io.out << sum.text << "\n";
    return kExitOk;
}

int runCheck(std::span<const std::string_view> argv, const CommandIo& io) {
    CommandParser args("check", kCheckUsage);
    args.addPositional("FILE", "the S-record or Intel HEX file to check", true);
    if (const auto exitCode = args.parse(argv, io))
        return *exitCode;
    const std::string& path = args.positional()[0];
    const std::optional<std::string> text = readFileText(path);
    if (!text) {
        io.out << path << ": cannot be read\n";
        return kExitFailed;
    }
    return reportFileProblems(path, *text, io.out) ? kExitOk : kExitFailed;
}

constexpr Command kImageCommands[] = {
    {"check", "check a firmware file strictly, every problem by line", kCheckUsage, runCheck},
    {"dump-image", "write the flash image to a binary file", kDumpUsage, runDumpImage},
    {"checksum", "sum the image bytes of an address region", kChecksumUsage, runChecksum},
};

}  // namespace

std::span<const Command> imageCommands() {
    return kImageCommands;
}

}  // namespace rkt5::cli
