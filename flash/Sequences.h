#pragma once

#include <optional>
#include <string>

#include "common/Message.h"
#include "flash/FlashContext.h"

namespace rkt5 {

// What a button's run ends with: the one message to show, whether the run succeeded, and on a
// failure why, as far as it is known (the port, the line, the answer at a named step), for the
// window's detailed text and the terminal.
struct Outcome {
    bool succeeded = false;
    Message message;
    std::string reason;
    // A failure the cable may be to blame for: the port would not open or went away, or nothing
    // at all came back. What the system knows of the cable belongs beside the reason then.
    bool lineTrouble = false;
};

enum class Step { Connect, Erase, Write, Disconnect };

// The message for a model check's status: none for OK, "Region error" for a transceiver of
// another region, "Error" for anything else.
std::optional<Message> modelCheckFailure(Reply status);

// The model and region check as "Start" runs it first: its failure, or nothing when the
// transceiver is of the right model and region.
std::optional<Outcome> modelCheckStep(FlashContext& context);

// "Start": the model and region check, then the mode 2 update.
Outcome startSequence(FlashContext& context);

// A macro button: the whole update in the mode of its index.
Outcome macroSequence(FlashContext& context, ProtocolMode mode);

// One step button of the engineering panel: the step in the mode of its group.
Outcome stepButton(FlashContext& context, ProtocolMode mode, Step step);

}  // namespace rkt5
