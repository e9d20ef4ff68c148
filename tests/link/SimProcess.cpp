#include "tests/link/SimProcess.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <thread>

#include "sim/FaultText.h"
#include "sim/MessageLogLine.h"

namespace rkt5::test {

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

constexpr auto kStartLimit = 10s;
constexpr auto kStopLimit = 10s;
constexpr auto kPollPeriod = 10ms;
// Far above the ports a prefix maps to the machine's own (COM1 to COM4 or so) and the end-to-end
// checks' (10 to 20).
constexpr int kFirstComNumber = 100;
constexpr int kLastComNumber = 250;

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') {
        throw std::runtime_error(std::string(name) +
                                 " is not set: these tests run under wine, with RKT5_SIM naming "
                                 "the Linux rkt5-sim");
    }
    return value;
}

// Wine's drive Z: is the Unix root.
fs::path fromUnix(const std::string& unixPath) {
    return fs::path("Z:" + unixPath);
}

std::string toUnix(const fs::path& path) {
    return path.generic_string().substr(2);
}

std::string shellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

// The rkt5-sim arguments that give `options`.
std::vector<std::string> argumentsFor(const sim::SimulatorOptions& options) {
    if (options.initialFlash || !options.flashOutPath.empty()) {
        throw std::invalid_argument("a simulator in another process keeps its flash to itself");
    }
    std::vector<std::string> arguments{"--link", options.linkPath, "--message-log",
                                       options.messageLogPath};
    const auto add = [&](std::string option, std::string value) {
        arguments.push_back(std::move(option));
        arguments.push_back(std::move(value));
    };
    if (!options.pace) {
        arguments.push_back("--no-pace");
    }
    if (options.baud) {
        add("--baud", std::to_string(*options.baud));
    }
    if (options.regionOther) {
        add("--region", "other");
    }
    add("--program-ms", std::to_string(options.programTime.count()));
    add("--latency-ms", std::to_string(options.adapterLatency.count()));
    for (const sim::Fault& fault : options.faults) {
        add("--fault", sim::faultText(fault));
    }
    if (options.randomFaultRate > 0) {
        add("--random-faults", std::to_string(options.randomFaultRate));
        add("--seed", std::to_string(options.seed));
        add("--random-late-ms", std::to_string(options.randomLateDelay.count()));
    }
    return arguments;
}

// Starts a Unix program through wine; it runs on its own, with no handle to it.
void runUnixProgram(const std::string& commandLine) {
    std::wstring line(commandLine.begin(), commandLine.end());
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        throw std::runtime_error("cannot run " + commandLine + ": error " +
                                 std::to_string(GetLastError()));
    }
    for (const HANDLE handle : {process.hProcess, process.hThread}) {
        if (handle != nullptr) {
            CloseHandle(handle);
        }
    }
}

template <typename Done>
bool pollUntil(std::chrono::milliseconds limit, Done done) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= end) {
            return false;
        }
        std::this_thread::sleep_for(kPollPeriod);
    }
    return true;
}

std::string fileText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

SimProcess::SimProcess(sim::SimulatorOptions options) {
    const fs::path prefix = fromUnix(environment("WINEPREFIX"));
    claimComNumber(prefix);
    link_ = prefix / "dosdevices" / ("com" + std::to_string(comNumber_));
    dir_ = fromUnix("/tmp") / ("rkt5-sim-com" + std::to_string(comNumber_) + "-" +
                               std::to_string(GetCurrentProcessId()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    options.linkPath = toUnix(link_);
    options.messageLogPath = toUnix(dir_ / "messages.log");
    try {
        start(options);
    } catch (...) {
        stop();
        throw;
    }
}

SimProcess::~SimProcess() {
    stop();
}

void SimProcess::stop() {
    if (pid_ > 0) {
        runUnixProgram("Z:\\bin\\kill " + std::to_string(pid_));
        // The simulator takes its link away as it ends.
        pollUntil(kStopLimit, [&] { return !fs::exists(link_); });
    }
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
    CloseHandle(claim_);
}

// Two suites under wine at once each get a COM number of their own: the first whose claim file
// this process creates. The file goes with the handle, however the process ends.
void SimProcess::claimComNumber(const fs::path& prefix) {
    for (int number = kFirstComNumber; number <= kLastComNumber; ++number) {
        const fs::path claim = prefix / ("rkt5-com" + std::to_string(number) + ".claim");
        claim_ = CreateFileW(claim.wstring().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (claim_ != INVALID_HANDLE_VALUE) {
            comNumber_ = number;
            return;
        }
    }
    throw std::runtime_error("no COM number is free in the wine prefix " + prefix.string());
}

void SimProcess::start(const sim::SimulatorOptions& options) {
    const std::string dir = toUnix(dir_);
    std::string script = shellQuoted(environment("RKT5_SIM"));
    for (const std::string& argument : argumentsFor(options)) {
        script += " " + shellQuoted(argument);
    }
    script += " </dev/null >" + shellQuoted(dir + "/out") + " 2>" + shellQuoted(dir + "/err") +
              " &\necho $! >" + shellQuoted(dir + "/pid.new") + " && mv " +
              shellQuoted(dir + "/pid.new") + " " + shellQuoted(dir + "/pid") + "\n";
    std::ofstream(dir_ / "start.sh", std::ios::binary) << script;
    runUnixProgram("Z:\\bin\\sh " + dir + "/start.sh");

    // The simulator prints its port once it is up, and says on stderr why it is not.
    const bool up = pollUntil(kStartLimit, [&] {
        return fileText(dir_ / "out").find('\n') != std::string::npos ||
               !fileText(dir_ / "err").empty();
    });
    pollUntil(kStartLimit, [&] { return fs::exists(dir_ / "pid"); });
    pid_ = std::atoi(fileText(dir_ / "pid").c_str());
    if (!up || fileText(dir_ / "out").find('\n') == std::string::npos) {
        throw std::runtime_error("rkt5-sim did not start: " + fileText(dir_ / "err"));
    }
}

std::string SimProcess::portPath() const {
    return "\\\\.\\COM" + std::to_string(comNumber_);
}

std::vector<sim::ReceivedMessage> SimProcess::allMessages() const {
    const std::string text = fileText(dir_ / "messages.log");
    std::vector<sim::ReceivedMessage> messages;
    // A line the simulator is still writing has no newline yet.
    for (std::size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos;
         start = end + 1) {
        const auto message =
            sim::parseMessageLogLine(std::string_view(text).substr(start, end - start));
        if (!message) {
            throw std::runtime_error("not a line of the message log: " +
                                     text.substr(start, end - start));
        }
        messages.push_back(*message);
    }
    return messages;
}

std::vector<sim::ReceivedMessage> SimProcess::receivedMessages() const {
    std::vector<sim::ReceivedMessage> messages = allMessages();
    messages.erase(messages.begin(), messages.begin() + static_cast<std::ptrdiff_t>(cleared_));
    return messages;
}

bool SimProcess::waitForMessages(std::size_t count, std::chrono::milliseconds limit) const {
    return pollUntil(limit, [&] { return receivedMessages().size() >= count; });
}

void SimProcess::clearLog() {
    cleared_ = allMessages().size();
}

}  // namespace rkt5::test
