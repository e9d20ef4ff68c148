#pragma once

#include <optional>

#include "common/Message.h"
#include "flash/FlashContext.h"

namespace rkt5 {

// What a button's run ends with: the one message to show, and whether the run succeeded.
struct Outcome {
    bool succeeded = false;
    Message message;
};

enum class Step { Connect, Erase, Write, Disconnect };

// "Start": the model and region check, then the mode 2 update.
Outcome startSequence(FlashContext& context);

// A macro button: the whole update in the mode given by its index (0, 1 or 2). Any other index
// runs nothing and has no message.
std::optional<Outcome> macroSequence(FlashContext& context, int index);

// One step button of the engineering panel: the step in the mode of its group.
Outcome stepButton(FlashContext& context, int mode, Step step);

}  // namespace rkt5
