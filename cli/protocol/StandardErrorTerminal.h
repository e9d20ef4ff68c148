#pragma once

namespace rkt5 {

// Progress lines are for a person watching; a script reading standard error gets none.
bool standardErrorIsTerminal();

// Whether standard error is a terminal that follows the control sequences that move the cursor
// up and clear a line, so that several progress lines can be redrawn in place. A Windows console
// does only once asked to, which this asks; where it will not (an old console, a redirection to
// NUL), the caller prints plain lines instead.
bool standardErrorTakesControlSequences();

}  // namespace rkt5
