#pragma once

#include <QString>

namespace rkt5 {

// Names the running window program for the desktop: its name and version (for --version), the
// menu entry it belongs to, and its icon, from the pictures the build puts under ":/icons". Call
// it right after the QApplication is made.
void identifyWindowProgram(const QString& program);

}  // namespace rkt5
