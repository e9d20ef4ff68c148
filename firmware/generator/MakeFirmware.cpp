// Writes the EG5.000 firmware as S-record text: a header, the data records, an end record.
// Run by hand when the text must be made anew; the output is the same on every run.
//
//   rkt5-make-firmware <output.mot>

#include <cstdio>
#include <exception>
#include <fstream>
#include <span>
#include <string>
#include <vector>

#include "firmware/generator/FirmwareContent.h"
#include "firmware/generator/FirmwareLayout.h"
#include "firmware/generator/SRecordText.h"

namespace {

constexpr std::uint64_t kLayoutSeed = 0x524B543545473530ULL;
constexpr std::uint64_t kContentSeed = 0x4547352E30303000ULL;

std::vector<std::string> makeLines() {
    using namespace rkt5::firmware_gen;
    SplitMix64 layoutRng(kLayoutSeed);
    const FirmwareLayout layout = makeLayout(layoutRng);
    SplitMix64 contentRng(kContentSeed);
    std::vector<std::uint8_t> image = makeContent(contentRng);
    keepDataRowsFlagged(image, layout.runs);

    std::vector<std::string> lines;
    lines.push_back(formatSRecord('0', 0, 2, {}));
    for (const Record& record : layout.records) {
        const std::span<const std::uint8_t> data(image.data() + (record.address - kImageStart),
                                                 record.length);
        lines.push_back(formatSRecord('2', record.address, 3, data));
    }
    lines.push_back(formatSRecord('8', 0, 3, {}));
    return lines;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output.mot>\n", argc > 0 ? argv[0] : "rkt5-make-firmware");
        return 2;
    }
    try {
        const std::vector<std::string> lines = makeLines();
        // Binary mode: the text has LF line ends on every platform.
        std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
        for (const std::string& line : lines) {
            out << line << '\n';
        }
        out.close();
        if (!out) {
            std::fprintf(stderr, "rkt5-make-firmware: cannot write %s\n", argv[1]);
            return 1;
        }
        std::printf("wrote %zu lines to %s\n", lines.size(), argv[1]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "rkt5-make-firmware: %s\n", e.what());
        return 1;
    }
    return 0;
}
