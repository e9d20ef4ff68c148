#pragma once

// What the simulated transceiver is told to do and what it records: shared by the protocol
// engine, the pseudo-terminal server and the rkt5-sim program.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace rkt5::sim {

// The kinds of message the transceiver tells apart on the line.
enum class MessageKind {
    ModelCheck,    // "ZR~RK-T5EG" CR
    ConnectMode0,  // "ZR~E" CR
    ConnectMode1,  // "FL" CR
    ConnectMode2,  // "ZR~FLASH" CR
    PortCommand,   // "ZR~P" ... CR
    EraseBlocks,   // "BE" packet
    Program,       // "PG" packet
    End,           // "ED" packet
    EraseFrame,    // mode 0/1 frame 01 01 CR LF
    EndFrame,      // mode 0/1 frame 00 00 CR LF
    RowFrame,      // mode 0/1 row frame
    OkFrame,       // mode 0/1 "OK" CR LF confirmation
    NgFrame,       // mode 0/1 "NG" CR LF confirmation
    Unknown,       // text up to CR or a packet that fits nothing above
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
        CorruptEcho,   // flip the bits of echo byte `count` (0-based); on a row frame also that
                       // byte of the frame sent back, which is what the updater compares
        CorruptReply,  // flip the bits of answer byte `count` (0-based)
        PartialReply,  // send only the first `count` bytes of the answer
        HangUp,        // close the line after `count` bytes of this message were received
        Late,          // send the answer `delay` after the echo
    };
    MessageKind kind;
    int occurrence = 0;  // 1-based; 0 means every message of the kind
    Action action = Action::Reply;
    std::string reply;  // Reply: the two letters or the whole answer text
    int count = 0;
    std::chrono::milliseconds delay{0};
};

struct SimulatorOptions {
    // Pace output at 10 bit times per byte. Speed: `baud` when given, else the speed the client
    // set on the port.
    bool pace = true;
    std::optional<int> baud;
    std::chrono::milliseconds programTime{0};  // extra time a "PG" block or row takes
    // How long a USB adapter not in low-latency mode holds the last bytes of a reply back.
    std::chrono::milliseconds adapterLatency{0};
    bool regionOther = false;                               // answer the model check with "RE"
    std::optional<std::vector<std::uint8_t>> initialFlash;  // 256 KB; default all 0xFF
    std::string flashOutPath;                               // written whenever flash mode is left
    std::string linkPath;  // symbolic link kept pointing at the port
    // Each message as it arrives, one line each (see MessageLogLine.h); written afresh at start.
    std::string messageLogPath;
    std::vector<Fault> faults;
    // Random faults: each message is hit with this probability by a fault drawn with `seed`.
    double randomFaultRate = 0.0;
    std::uint32_t seed = 1;
    // How late a randomly late answer comes: past the updater's reply time-out by default.
    std::chrono::milliseconds randomLateDelay{6000};
};

}  // namespace rkt5::sim
