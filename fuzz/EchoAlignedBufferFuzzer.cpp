// The exchange's echo handling: what it wrote, and what arrives in pieces of any size: leftovers
// of earlier tries, its echo (whole, cut or garbled, or interrupted by an earlier answer), the
// answer, and takes in between.

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz/FuzzCheck.h"
#include "link/EchoAlignedBuffer.h"

using namespace rkt5;
using fuzz::require;

namespace {

using Bytes = std::vector<std::uint8_t>;

enum class Event { Start, Extend, Echo, Arrive, Take, kMaxValue = Take };

// The first position from which the bytes that arrived agree with those written, as far as both
// go: where the exchange's echo begins, everything before it being left over.
std::size_t echoStart(const Bytes& arrived, const Bytes& written) {
    for (std::size_t at = 0;; ++at) {
        const std::size_t overlap = std::min(arrived.size() - at, written.size());
        if (std::equal(written.begin(), written.begin() + overlap, arrived.begin() + at)) {
            return at;
        }
    }
}

// An earlier answer can only be told inside the echo by its CR LF; without one anywhere, the
// buffer must do exactly what lining up alone does.
bool holdsCrLf(const Bytes& bytes) {
    const Bytes crlf{'\r', '\n'};
    return std::search(bytes.begin(), bytes.end(), crlf.begin(), crlf.end()) != bytes.end();
}

// One exchange as the buffer's user sees it.
struct Exchange {
    Bytes written;
    Bytes arrived;
    std::size_t echoed = 0;  // bytes of `written` the transceiver has echoed
    std::size_t taken = 0;

    void check(const EchoAlignedBuffer& buffer) const {
        require(buffer.count() >= 0, "the count is never negative");
        const std::size_t accounted = taken + static_cast<std::size_t>(buffer.count()) +
                                      buffer.dropped() + buffer.undecided();
        require(accounted <= arrived.size(), "the buffer holds more than arrived");
        require(buffer.echoBroken() || accounted == arrived.size(),
                "every byte is counted, taken, dropped or undecided until the echo breaks");
        require(buffer.arrived() <= arrived.size(), "the try counts no more than arrived");
        require(!buffer.echoBroken() || (taken > 0 && buffer.count() == 0),
                "only an echo partly taken breaks, and then nothing more counts");
    }

    // Until something is taken the buffer may move to a later start; it must end on the first
    // one that fits.
    void checkAlignment(const EchoAlignedBuffer& buffer) const {
        if (buffer.undecided() == 0 && !holdsCrLf(arrived)) {
            require(buffer.dropped() == echoStart(arrived, written),
                    "the echo is found at the first place where it fits");
        }
    }

    void checkTaken(const Bytes& bytes, std::size_t dropped) const {
        const std::size_t from = dropped + taken;
        if (!holdsCrLf(arrived)) {
            require(from + bytes.size() <= arrived.size() &&
                        std::equal(bytes.begin(), bytes.end(), arrived.begin() + from),
                    "taken bytes are the next ones that arrived after the dropped ones");
        }
        for (std::size_t i = 0; i < bytes.size() && taken + i < written.size(); ++i) {
            require(bytes[i] == written[taken + i], "taken bytes line up with the echo");
        }
    }
};

// Appends `piece` to `record` and hands it on.
const Bytes& kept(Bytes& record, const Bytes& piece) {
    record.insert(record.end(), piece.begin(), piece.end());
    return piece;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const auto pieceSize = [&] { return input.ConsumeIntegralInRange<std::size_t>(0, 1100); };
    const auto piece = [&] { return input.ConsumeBytes<std::uint8_t>(pieceSize()); };

    EchoAlignedBuffer buffer;
    Exchange exchange;
    buffer.start(exchange.written);
    while (input.remaining_bytes() > 0) {
        bool wasBroken = buffer.echoBroken();
        switch (input.ConsumeEnum<Event>()) {
            case Event::Start:
                exchange = {piece()};
                buffer.start(exchange.written);
                wasBroken = false;  // a new exchange
                break;
            case Event::Extend:
                buffer.extend(kept(exchange.written, piece()));
                break;
            case Event::Echo: {
                const std::size_t end =
                    std::min(exchange.written.size(), exchange.echoed + pieceSize());
                const Bytes echo(exchange.written.begin() + exchange.echoed,
                                 exchange.written.begin() + end);
                exchange.echoed = end;
                buffer.append(kept(exchange.arrived, echo));
                break;
            }
            case Event::Arrive:
                buffer.append(kept(exchange.arrived, piece()));
                break;
            case Event::Take: {
                if (exchange.taken == 0 && buffer.count() > 0) {
                    exchange.checkAlignment(buffer);
                }
                const Bytes bytes = buffer.take();
                exchange.checkTaken(bytes, buffer.dropped());
                exchange.taken += bytes.size();
                break;
            }
        }
        require(!wasBroken || buffer.echoBroken(), "a broken echo stays broken");
        exchange.check(buffer);
    }
    if (exchange.taken == 0) {
        exchange.checkAlignment(buffer);
    }
    return 0;
}
