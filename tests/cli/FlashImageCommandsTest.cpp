// rkt5-flash's image commands, run as the real program: exit codes, output and messages.

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "image/RegionChecksum.h"
#include "image/StartupImage.h"
#include "tests/cli/FlashRun.h"
#include "tests/image/TestRecords.h"

namespace rkt5 {
namespace {

using test::ProgramRun;
using test::runFlash;

std::unique_ptr<FlashImage> builtInImage() {
    auto image = std::make_unique<FlashImage>();
    auto table = std::make_unique<FirmwareTable>();
    buildStartupImage(*image, *table);
    return image;
}

std::string bytesOf(const FlashImage& image) {
    std::string bytes(FlashImage::kCells, '\0');
    for (int i = 0; i < FlashImage::kCells; ++i) {
        bytes[static_cast<std::size_t>(i)] = static_cast<char>(image.cells()[i] & 0xFF);
    }
    return bytes;
}

TEST(FlashDumpImage, WritesTheBuiltInImage) {
    test::TempDir dir;
    const ProgramRun run = runFlash(dir, "dump-image '" + dir.file("out.bin") + "'");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_TRUE(test::readBytes(dir.file("out.bin")) == bytesOf(*builtInImage()));
}

TEST(FlashDumpImage, ReplacesWhatTheOutputHeldBefore) {
    test::TempDir dir;
    const std::string expected = bytesOf(*builtInImage());
    for (const std::size_t before : {std::size_t{0}, std::size_t{100}, expected.size() + 4096}) {
        const std::string out = dir.write("out.bin", std::string(before, '\x5A'));
        const ProgramRun run = runFlash(dir, "dump-image '" + out + "'");
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_TRUE(test::readBytes(out) == expected) << "file of " << before << " bytes before";
    }
}

TEST(FlashDumpImage, WritesToADevice) {
    test::TempDir dir;
    const ProgramRun run = runFlash(dir, "dump-image /dev/null");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
}

TEST(FlashDumpImage, WritesAFileThatLoads) {
    test::TempDir dir;
    const std::string file = dir.write("fw.mot", test::sRecord(2, 0xC0010, {0x01, 0x02}) + "\r\n" +
                                                     test::sRecord(2, 0xFFFFF, {0x7E}) + "\r\n");
    const ProgramRun run =
        runFlash(dir, "dump-image '" + dir.file("out.bin") + "' --image '" + file + "'");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    std::string expected(FlashImage::kCells, '\xFF');
    expected[0x10] = 0x01;
    expected[0x11] = 0x02;
    expected.back() = 0x7E;
    EXPECT_TRUE(test::readBytes(dir.file("out.bin")) == expected);
}

struct Failure {
    const char* what;
    std::string fileContent;  // written as bad.mot unless empty
    std::string args;         // {FILE} and {OUT} are replaced
    int exitCode;
    std::string err;  // exact, or the start of stderr for usage errors; {FILE} is replaced
};

void PrintTo(const Failure& f, std::ostream* os) {
    *os << f.what;
}

class FlashFails : public testing::TestWithParam<Failure> {};

TEST_P(FlashFails, ExitsWithItsCodeAndMessageAndWritesNothing) {
    test::TempDir dir;
    const Failure& f = GetParam();
    std::string args = f.args;
    const auto replace = [&args](const std::string& key, const std::string& value) {
        for (std::size_t at; (at = args.find(key)) != std::string::npos;) {
            args.replace(at, key.size(), "'" + value + "'");
        }
    };
    const std::string file =
        f.fileContent.empty() ? dir.file("missing.mot") : dir.write("bad.mot", f.fileContent);
    replace("{FILE}", file);
    replace("{OUT}", dir.file("out.bin"));
    std::string err = f.err;
    if (const std::size_t at = err.find("{FILE}"); at != std::string::npos) {
        err.replace(at, 6, file);
    }
    const ProgramRun run = runFlash(dir, args);
    EXPECT_EQ(run.exitCode, f.exitCode);
    if (f.exitCode == 2) {
        EXPECT_EQ(run.err.rfind(err, 0), 0u) << run.err;
    } else {
        EXPECT_EQ(run.err, err);
    }
    EXPECT_EQ(run.out, "");
    EXPECT_FALSE(std::filesystem::exists(dir.file("out.bin")));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FlashFails,
    testing::Values(
        Failure{"bad line", test::sRecord(2, 0xC0000, {1}) + "\r\n\r\n",
                "dump-image {OUT} --image {FILE}", 1, "Error Code = 9 ; line number = 2\n"},
        Failure{"missing file", "", "dump-image {OUT} --image={FILE}", 1,
                "rkt5-flash: cannot read {FILE}: No such file or directory\nFile Open Error\n"},
        Failure{"data outside the image", test::sRecord(2, 0xBFFFF, {1, 2}) + "\r\n",
                "checksum --image {FILE}", 1, "File Open Error\n"},
        Failure{"region outside", "", "checksum BFFFF FFFFF", 1,
                "Address BFFFF is outside the image (C0000-FFFFF).\n"},
        Failure{"no output named", "", "dump-image", 2,
                "rkt5-flash dump-image: missing argument OUT.bin\n"},
        Failure{"extra argument", "", "dump-image {OUT} extra", 2,
                "rkt5-flash dump-image: unexpected argument 'extra'\n"},
        Failure{"unknown option", "", "dump-image {OUT} --imgae x", 2,
                "rkt5-flash dump-image: Unknown option 'imgae'.\n"},
        Failure{"option without value", "", "dump-image {OUT} --image", 2,
                "rkt5-flash dump-image: Missing value after '--image'.\n"},
        Failure{"start without end", "", "checksum E0000", 2,
                "rkt5-flash checksum: missing argument END\n"},
        Failure{"unknown command", "", "dump-imag {OUT}", 2,
                "rkt5-flash: unknown command 'dump-imag'\n"}));

TEST(FlashChecksum, PrintsTheSumAsTheButtonShowsIt) {
    test::TempDir dir;
    const auto image = builtInImage();
    ProgramRun run = runFlash(dir, "checksum");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, regionChecksum(*image, "E0000", "FFFFF").text + "\n");

    run = runFlash(dir, "checksum c0000 fffff");
    EXPECT_EQ(run.out, regionChecksum(*image, "C0000", "FFFFF").text + "\n");

    const std::string file =
        dir.write("fw.HEX", test::hexRecord(2, 0, {0xF0, 0x00}) + "\r\n" +
                                test::hexRecord(0, 0xFFFE, {0x12, 0x34}) + "\r\n");
    run = runFlash(dir, "checksum FFFFE FFFFF --image '" + file + "'");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "46\n");
}

TEST(FlashHelp, EachCommandDescribesItself) {
    test::TempDir dir;
    for (const char* command : {"dump-image --help", "checksum -h", "update --help", "--help"}) {
        const ProgramRun run = runFlash(dir, command);
        EXPECT_EQ(run.exitCode, 0);
        const std::string name = std::string(command).substr(0, std::string(command).find(' '));
        const std::string usage = name.starts_with("-") ? "COMMAND" : name;
        EXPECT_EQ(run.out.rfind("usage: rkt5-flash " + usage, 0), 0u) << run.out;
        EXPECT_NE(run.out.find("-h, --help"), std::string::npos) << run.out;
    }
    const ProgramRun version = runFlash(dir, "--version");
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, std::string("rkt5-flash ") + RKT5_VERSION + "\n");
}

}  // namespace
}  // namespace rkt5
