#pragma once

// The simulated RK-T5 behind a pseudo-terminal, served from its own thread. Tests create one
// in-process; the rkt5-sim program wraps it for the terminal, the demo and the benchmarks.

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace rkt5::sim {

// The kinds of message the transceiver tells apart on the line.
enum class MessageKind {
    ModelCheck,     // "ZR~RK-T5EG" CR
    ConnectMode0,   // "ZR~E" CR
    ConnectMode1,   // "FL" CR
    ConnectMode2,   // "ZR~FLASH" CR
    PortCommand,    // "ZR~P" ... CR
    EraseBlocks,    // "BE" packet
    Program,        // "PG" packet
    End,            // "ED" packet
    EraseFrame,     // mode 0/1 frame 01 01 CR LF
    EndFrame,       // mode 0/1 frame 00 00 CR LF
    RowFrame,       // mode 0/1 row frame
    OkFrame,        // mode 0/1 "OK" CR LF confirmation
    NgFrame,        // mode 0/1 "NG" CR LF confirmation
    Unknown,        // text up to CR or a packet that fits nothing above
};

// One message as it arrived, with the line speed the port was set to when it arrived
// (0 when it could not be read).
struct ReceivedMessage {
    MessageKind kind;
    std::vector<std::uint8_t> bytes;  // exactly as received, mode 1 prefix included
    int lineSpeed = 0;
};

// A fault applied to the k-th message of a kind (counted from 1 since start), or to every one.
struct Fault {
    enum class Action {
        Reply,         // answer `reply` (e.g. "NG") instead of the right answer
        Silent,        // echo nothing and answer nothing
        DropEcho,      // leave out `count` bytes of the echo
        CorruptEcho,   // flip the bits of one echo byte
        PartialReply,  // send only the first `count` bytes of the answer
        HangUp,        // close the line after `count` bytes of this message were received
        Late,          // send the answer `delay` after the echo
    };
    MessageKind kind;
    int occurrence = 0;  // 1-based; 0 means every message of the kind
    Action action = Action::Reply;
    std::string reply;   // Reply: the two letters or the whole answer text
    int count = 0;
    std::chrono::milliseconds delay{0};
};

struct SimulatorOptions {
    // Pace output at 10 bit times per byte. Speed: `baud` when given, else the speed the client
    // set on the port.
    bool pace = true;
    std::optional<int> baud;
    std::chrono::milliseconds programTime{0};  // extra time a "PG" block or row takes
    bool regionOther = false;                  // answer the model check with "RE"
    std::optional<std::vector<std::uint8_t>> initialFlash;  // 256 KB; default all 0xFF
    std::string flashOutPath;                  // written whenever flash mode is left
    std::string linkPath;                      // symbolic link kept pointing at the port
    std::vector<Fault> faults;
    // Random faults: each message is hit with this probability by a fault drawn with `seed`.
    double randomFaultRate = 0.0;
    std::uint32_t seed = 1;
};

class PtyTransceiver {
public:
    explicit PtyTransceiver(SimulatorOptions options = {});
    ~PtyTransceiver();  // stops the thread and closes the pseudo-terminal
    PtyTransceiver(const PtyTransceiver&) = delete;
    PtyTransceiver& operator=(const PtyTransceiver&) = delete;

    // Path of the port to open (the slave side). A hang-up fault opens a new pseudo-terminal, so
    // the path can change; the link path (if any) follows it.
    std::string portPath() const;

    // Snapshots, safe to take from any thread.
    std::vector<std::uint8_t> flashMemory() const;           // 262,144 bytes, 0xC0000 first
    std::vector<ReceivedMessage> receivedMessages() const;
    std::size_t bytesReceived() const;
    std::size_t bytesSent() const;
    void clearLog();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace rkt5::sim
