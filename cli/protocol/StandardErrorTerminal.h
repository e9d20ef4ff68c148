#pragma once

#include <cstddef>

namespace rkt5 {

// Progress lines are for a person watching; a script reading standard error gets none.
bool standardErrorIsTerminal();

// Whether several progress lines can be redrawn in place on standard error: a terminal that
// takes the control sequence that moves the cursor up, or on Windows a console, whose cursor is
// moved through the console itself (a console that would draw the sequences as text, as older
// ones do, needs none). Elsewhere the caller prints plain lines.
bool standardErrorRedrawsLines();

// Moves standard error's cursor to the start of the line `lines` lines up.
void moveUpOnStandardError(std::size_t lines);

}  // namespace rkt5
