#pragma once

#include <QRect>

namespace rkt5 {

// Positions and sizes of the window are given in twips: 15 twips a pixel at 96 dpi. Qt scales
// the pixels for the screen.
inline constexpr int kTwipsPerPixel = 15;

constexpr int pixels(int twips) {
    return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel;
}

constexpr QRect twipRect(int left, int top, int width, int height) {
    return {pixels(left), pixels(top), pixels(width), pixels(height)};
}

}  // namespace rkt5
