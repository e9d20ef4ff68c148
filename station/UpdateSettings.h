#pragma once

#include <atomic>
#include <chrono>
#include <string>

#include "image/FlashImage.h"

namespace rkt5 {

// What every unit's update at a station shares.
struct UpdateSettings {
    const FlashImage* image = nullptr;  // read by every link at once, written by none
    int speedIndex = 2;                 // the speed option: 0 9600, 1 38400, 2 57600
    std::chrono::milliseconds timeout{5000};
    // Set from anywhere, a signal handler included, it stops every unit as Station::stop() does.
    const std::atomic<bool>* interrupt = nullptr;
    // What the pin-number box holds for every unit: the access word lets the erase and the
    // write reach the top block.
    std::string pinNumberText;
};

}  // namespace rkt5
