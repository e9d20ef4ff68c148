#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

#include "EngineHarness.h"
#include "RawClient.h"
#include "sim/FaultText.h"
#include "sim/FlashFile.h"
#include "sim/LinePacer.h"
#include "sim/MessageLogLine.h"
#include "sim/PtyTransceiver.h"

namespace rkt5::sim::test {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

SimulatorOptions unpaced() {
    SimulatorOptions options;
    options.pace = false;
    return options;
}

fs::path scratchDirectory(const std::string& name) {
    const fs::path dir =
        fs::temp_directory_path() / ("rkt5-sim-" + name + "-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

TEST(PtyTransceiver, AnswersARawClientOverThePseudoTerminal) {
    const fs::path dir = scratchDirectory("answers");
    SimulatorOptions options = unpaced();
    options.messageLogPath = dir / "messages.log";
    PtyTransceiver sim(options);
    RawClient client(sim.portPath());
    ASSERT_TRUE(client.isOpen());
    ASSERT_TRUE(client.write("ZR~RK-T5EG\r"));
    EXPECT_EQ(client.read(17), bytesOf("ZR~RK-T5EG\r\r\nOK\r\n"));

    ASSERT_TRUE(client.write("ZR~FLASH\r"));
    EXPECT_EQ(client.read(13), bytesOf("ZR~FLASH\rCT\r\n"));
    // A packet in two halves, as the updater writes it.
    const Bytes p = programPacket(0xC0800, 0x3C);
    ASSERT_TRUE(client.write(Bytes(p.begin(), p.begin() + 512)));
    EXPECT_EQ(client.read(512).size(), 512u);
    ASSERT_TRUE(client.write(Bytes(p.begin() + 512, p.end())));
    const Bytes rest = client.read(524);
    ASSERT_EQ(rest.size(), 524u);
    EXPECT_EQ(Bytes(rest.end() - 4, rest.end()), bytesOf("PG\r\n"));

    const Bytes flash = sim.flashMemory();
    ASSERT_EQ(flash.size(), wire::kFlashSize);
    EXPECT_EQ(flash[0x800], 0x3C);
    EXPECT_EQ(flash[0xBFF], 0x3C);
    EXPECT_EQ(flash[0xC00], 0xFF);

    const auto log = sim.receivedMessages();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[2].kind, MessageKind::Program);
    EXPECT_EQ(log[2].lineSpeed, 57600) << "speed the client set on its side";
    EXPECT_EQ(sim.bytesReceived(), 11u + 9u + 1032u);
    // Counted once write() returns, which can be just after the client has the bytes.
    for (int i = 0; i < 100 && sim.bytesSent() < 17u + 13u + 1036u; ++i) {
        std::this_thread::sleep_for(1ms);
    }
    EXPECT_EQ(sim.bytesSent(), 17u + 13u + 1036u);
    // The message log file holds the same messages, to the byte.
    std::ifstream file(options.messageLogPath);
    std::size_t lines = 0;
    for (std::string line; std::getline(file, line); ++lines) {
        const auto message = parseMessageLogLine(line);
        ASSERT_TRUE(message && lines < log.size()) << line;
        EXPECT_EQ(messageLogLine(*message), messageLogLine(log[lines]));
        EXPECT_EQ(message->bytes, log[lines].bytes);
    }
    EXPECT_EQ(lines, log.size());
    sim.clearLog();
    EXPECT_TRUE(sim.receivedMessages().empty());
    EXPECT_EQ(sim.bytesSent(), 0u);
}

TEST(PtyTransceiver, PacesAtTheClientsLineSpeed) {
    PtyTransceiver sim;  // paced by default
    RawClient client(sim.portPath(), B57600);
    ASSERT_TRUE(client.write("ZR~FLASH\r"));
    ASSERT_EQ(client.read(13).size(), 13u);
    // 1036 bytes back at 57600 bit/s take 180 ms on a real line.
    sim.clearLog();
    ASSERT_TRUE(client.write(packet("ED")));
    EXPECT_EQ(client.read(1036).size(), 1036u);
    EXPECT_EQ(sim.lineTime(), LinePacer::byteTime(57600) * 1036) << "output was not paced";
}

// The updater closes and reopens the port between steps; the line must stay up meanwhile.
TEST(PtyTransceiver, ServesOneClientAfterAnother) {
    PtyTransceiver sim(unpaced());
    for (int client = 0; client < 3; ++client) {
        RawClient raw(sim.portPath());
        ASSERT_TRUE(raw.write("ZR~FLASH\r"));
        EXPECT_EQ(raw.read(13), bytesOf("ZR~FLASH\rCT\r\n")) << "client " << client;
    }
}

// A client that gives up and closes leaves nothing for the next one: neither its half-written
// command nor the answer still on its way.
TEST(PtyTransceiver, TheNextClientStartsOnAQuietLine) {
    SimulatorOptions options = unpaced();
    options.faults.push_back(parseFault("model:1:late=200"));
    PtyTransceiver sim(options);
    {
        RawClient raw(sim.portPath());
        ASSERT_TRUE(raw.write("ZR~RK-T5EG\r"));
        EXPECT_EQ(raw.read(11), bytesOf("ZR~RK-T5EG\r"));
    }
    {
        RawClient raw(sim.portPath());
        ASSERT_TRUE(raw.write("ZR~RK"));
        EXPECT_EQ(raw.read(5), bytesOf("ZR~RK")) << "no echo before the CR";
    }
    RawClient raw(sim.portPath());
    ASSERT_TRUE(raw.write("ZR~FLASH\r"));
    EXPECT_EQ(raw.read(64, 600ms), bytesOf("ZR~FLASH\rCT\r\n"));
}

TEST(PtyTransceiver, HangUpDropsTheLineAndMovesThePortAndTheLink) {
    const fs::path dir = scratchDirectory("hangup");
    SimulatorOptions options = unpaced();
    options.linkPath = (dir / "rkt5").string();
    options.faults.push_back(parseFault("PG:1:hangup=300"));
    PtyTransceiver sim(options);
    const std::string before = sim.portPath();
    EXPECT_EQ(fs::read_symlink(options.linkPath).string(), before);
    {
        RawClient client(options.linkPath);
        ASSERT_TRUE(client.write("ZR~FLASH\r"));
        ASSERT_EQ(client.read(13).size(), 13u);
        const Bytes p = programPacket(0xC0000, 0x00);
        client.write(Bytes(p.begin(), p.begin() + 512));
        client.read(512, 1s);
        EXPECT_TRUE(client.lineLost());
    }
    const std::string after = sim.portPath();
    EXPECT_NE(after, before);
    EXPECT_EQ(fs::read_symlink(options.linkPath).string(), after);
    // Still in flash mode on the new line.
    RawClient again(options.linkPath);
    ASSERT_TRUE(again.write(packet("ED")));
    const Bytes out = again.read(1036);
    ASSERT_EQ(out.size(), 1036u);
    EXPECT_EQ(Bytes(out.end() - 4, out.end()), bytesOf("ED\r\n"));
    fs::remove_all(dir);
}

TEST(PtyTransceiver, WritesTheFlashWhenFlashModeIsLeft) {
    const fs::path dir = scratchDirectory("flashout");
    SimulatorOptions options = unpaced();
    options.flashOutPath = (dir / "flash.bin").string();
    PtyTransceiver sim(options);
    RawClient client(sim.portPath());
    client.write("ZR~FLASH\r");
    client.read(13);
    client.write(programPacket(0xFFC00, 0x00));
    client.read(1036);
    EXPECT_FALSE(fs::exists(options.flashOutPath));
    client.write(packet("ED"));
    client.read(1036);
    const Bytes saved = readFlashFile(options.flashOutPath);
    EXPECT_EQ(saved, sim.flashMemory());
    EXPECT_EQ(saved.back(), 0x00);
    fs::remove_all(dir);
}

// Runs rkt5-sim with `arguments`; its stdout comes through a pipe.
struct ProgramRun {
    explicit ProgramRun(std::vector<std::string> arguments) {
        int fds[2];
        if (::pipe(fds) != 0) {
            return;
        }
        arguments.insert(arguments.begin(), RKT5_SIM_PROGRAM);
        pid = ::fork();
        if (pid == 0) {
            ::dup2(fds[1], STDOUT_FILENO);
            ::close(fds[0]);
            ::close(fds[1]);
            std::vector<char*> argv;
            for (auto& a : arguments) {
                argv.push_back(a.data());
            }
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        ::close(fds[1]);
        out = ::fdopen(fds[0], "r");
    }
    ~ProgramRun() {
        if (pid > 0) {
            ::kill(pid, SIGKILL);
            wait();
        }
        if (out != nullptr) {
            std::fclose(out);
        }
    }
    std::string line() {
        char buffer[256] = {};
        if (out == nullptr || std::fgets(buffer, sizeof buffer, out) == nullptr) {
            return {};
        }
        std::string text(buffer);
        if (!text.empty() && text.back() == '\n') {
            text.pop_back();
        }
        return text;
    }
    int wait() {
        int status = 0;
        ::waitpid(pid, &status, 0);
        pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    pid_t pid = -1;
    FILE* out = nullptr;
};

TEST(Program, PrintsThePortFirstServesAndStopsOnSigterm) {
    const fs::path dir = scratchDirectory("program");
    const std::string link = (dir / "port").string();
    ProgramRun run({"--no-pace", "--link", link});
    const std::string path = run.line();
    EXPECT_EQ(path.rfind("/dev/pts/", 0), 0u) << path;
    EXPECT_EQ(fs::read_symlink(link).string(), path);
    for (int client = 0; client < 2; ++client) {
        RawClient raw(link);
        raw.write("ZR~RK-T5EG\r");
        EXPECT_EQ(raw.read(17), bytesOf("ZR~RK-T5EG\r\r\nOK\r\n"));
    }
    ::kill(run.pid, SIGTERM);
    EXPECT_EQ(run.wait(), 0);
    EXPECT_FALSE(fs::is_symlink(link)) << "link left behind";
    fs::remove_all(dir);
}

// Unit 2 hangs up on its first model check and answers RE to the next, on its new port; unit 1
// knows nothing of either.
TEST(Program, ServesABenchWhereAnAimedFaultHitsOnlyItsUnit) {
    const fs::path dir = scratchDirectory("count");
    const std::string link = (dir / "port").string();
    ProgramRun run({"--no-pace", "--count", "2", "--link", link, "--fault", "2/model:1:hangup=1",
                    "--fault", "2/model:*:reply=RE"});
    const std::string first = run.line(), second = run.line();
    EXPECT_EQ(fs::read_symlink(link + "-2").string(), second);
    const auto modelCheck = [](const std::string& path) {
        RawClient raw(path);
        raw.write("ZR~RK-T5EG\r");
        return raw.read(17, 1s);
    };
    EXPECT_EQ(modelCheck(link + "-1"), bytesOf("ZR~RK-T5EG\r\r\nOK\r\n"));
    EXPECT_LT(modelCheck(second).size(), 17u) << "no hang-up";
    const std::string moved = run.line();
    ASSERT_EQ(moved.rfind("2 /dev/pts/", 0), 0u) << moved;
    EXPECT_EQ(modelCheck(moved.substr(2)), bytesOf("ZR~RK-T5EG\r\r\nRE\r\n"));
    EXPECT_EQ(modelCheck(first), bytesOf("ZR~RK-T5EG\r\r\nOK\r\n"));
    fs::remove_all(dir);
}

TEST(Program, BadArgumentsExitWithTwo) {
    for (const char* bad :
         {"--baud=x", "--fault=PG:1:boom", "--nonsense", "--fault=2/PG:1:silent"}) {
        ProgramRun run({bad});
        EXPECT_EQ(run.wait(), 2) << bad;
    }
    ProgramRun missing({"--flash-in", "/nonexistent/flash.bin"});
    EXPECT_EQ(missing.wait(), 2);
}

}  // namespace
}  // namespace rkt5::sim::test
