#pragma once

#include <QFont>

namespace rkt5 {

// The face for the window's captions, several of them Japanese: IPA's proportional gothic where it
// is installed, else any face that writes Japanese, else the default.
QFont windowFont(double pointSize);

}  // namespace rkt5
