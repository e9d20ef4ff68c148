// The simulated transceiver's framing and answers: bytes in pieces of any size at advancing
// times and line speeds, with hang-ups and closed ports between them, under fault rules and
// random faults of any kind. The engine does no I/O, so pacing plays no part.

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/FuzzCheck.h"
#include "sim/ProtocolEngine.h"

using namespace rkt5;
using fuzz::require;
using std::chrono::milliseconds;

namespace {

// The longest answer without a forced reply text: a 20-byte frame.
constexpr std::size_t kLongestPlainAnswer = 20;

template <typename Enum>
Enum pickEnum(FuzzedDataProvider& input, Enum last) {
    return static_cast<Enum>(input.ConsumeIntegralInRange<int>(0, static_cast<int>(last)));
}

sim::SimulatorOptions fuzzedOptions(FuzzedDataProvider& input) {
    sim::SimulatorOptions options;
    options.pace = false;
    options.regionOther = input.ConsumeBool();
    options.randomFaultRate = input.PickValueInArray({0.0, 0.0, 0.25, 1.0});
    options.seed = input.ConsumeIntegral<std::uint32_t>();
    for (int rules = input.ConsumeIntegralInRange(0, 2); rules > 0; --rules) {
        sim::Fault fault{pickEnum(input, sim::MessageKind::Unknown)};
        fault.occurrence = input.ConsumeIntegralInRange(0, 3);
        fault.action = pickEnum(input, sim::Fault::Action::Late);
        fault.reply =
            input.PickValueInArray<std::string>({"NG", "OK", "", "X", "CT\r\n", "OK\r\n+"});
        fault.count = input.ConsumeIntegralInRange(-1, 1100);
        fault.delay = milliseconds(input.ConsumeIntegralInRange(0, 10000));
        options.faults.push_back(fault);
    }
    return options;
}

std::size_t longestAnswer(const sim::SimulatorOptions& options) {
    std::size_t longest = kLongestPlainAnswer;
    for (const sim::Fault& fault : options.faults) {
        longest = std::max(longest, fault.reply.size());
    }
    return longest;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const sim::SimulatorOptions options = fuzzedOptions(input);
    const std::size_t answerLimit = longestAnswer(options);
    sim::ProtocolEngine engine(options);

    sim::ProtocolEngine::Clock::time_point now{};
    std::size_t received = 0, sent = 0, logEntries = 0, logBytes = 0;
    while (input.remaining_bytes() > 0) {
        switch (input.ConsumeIntegralInRange(0, 7)) {
            case 0:
                engine.lineLost();
                break;
            case 1:
                engine.clientClosed();
                break;
            default: {
                now += milliseconds(input.ConsumeIntegralInRange(0, 12000));
                const int lineSpeed = input.PickValueInArray({57600, 38400, 9600, 0});
                const std::vector<std::uint8_t> bytes =
                    input.ConsumeBytes<std::uint8_t>(input.ConsumeIntegralInRange(1, 1100));
                received += bytes.size();
                for (const sim::OutputPiece& piece : engine.receive(bytes, now, lineSpeed).pieces) {
                    require(piece.gapBefore.count() >= 0, "no piece goes out before the last");
                    sent += piece.bytes.size();
                }
            }
        }
        const auto& log = engine.log();
        for (; logEntries < log.size(); ++logEntries) {
            logBytes += log[logEntries].bytes.size();
        }
        require(logBytes <= received, "the log holds no more bytes than arrived");
        // Every byte is echoed at most once; each message logged has at most one answer.
        require(sent <= received + logEntries * answerLimit, "the engine sends more than it may");
    }
    return 0;
}
