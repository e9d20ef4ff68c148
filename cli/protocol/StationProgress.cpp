#include "cli/protocol/StationProgress.h"

#include <algorithm>

#include "cli/protocol/StandardErrorTerminal.h"
#include "cli/protocol/TerminalProgress.h"
#include "common/WireProtocol.h"
#include "image/FlashImage.h"

namespace rkt5 {

namespace {

std::string padded(std::string text, std::size_t width) {
    text.resize(std::max(text.size(), width), ' ');
    return text;
}

}  // namespace

StationProgress::StationProgress(std::FILE* out, bool terminal, std::vector<StationPort> ports,
                                 std::uint32_t endAddress)
    : out_(out), terminal_(terminal), endAddress_(endAddress) {
    for (StationPort& port : ports) {
        labelWidth_ = std::max(labelWidth_, port.name().size());
        units_.push_back({std::move(port), {}, "waiting", 0});
    }
}

std::string StationProgress::label(std::size_t unit) const {
    return padded(units_[unit].port.name(), labelWidth_);
}

void StationProgress::started(std::size_t unit, Clock::time_point now) {
    units_[unit].began = now;
    units_[unit].line = "checking the model";
    show(unit, now, true);
}

void StationProgress::progressed(std::size_t unit, int row, Clock::time_point now) {
    Unit& u = units_[unit];
    const std::uint32_t address = FlashImage::addressOf(row);
    u.line = TerminalProgress::lineText(address, endAddress_, now - u.began);
    const auto tenths =
        static_cast<int>((address - wire::kFlashBase) * 10 / (endAddress_ - wire::kFlashBase));
    const bool newTenth = tenths > u.tenthsShown;
    u.tenthsShown = std::max(u.tenthsShown, tenths);
    show(unit, now, newTenth);
}

void StationProgress::finished(std::size_t unit, const UnitResult& result) {
    units_[unit].line = result.outcome.message.text;
    show(unit, Clock::now(), true);
}

void StationProgress::note(const std::string& text) {
    std::fprintf(out_, "%s\n", text.c_str());
    if (terminal_ && drawn_) {
        // The note stands below the ports' lines; they are drawn anew beneath it.
        drawn_ = false;
        redraw();
    }
    std::fflush(out_);
}

// On a terminal every line is redrawn, at most a few times a second unless something ended; on
// anything else only the lines worth keeping are written: the start, each tenth and the end.
void StationProgress::show(std::size_t unit, Clock::time_point now, bool always) {
    if (terminal_) {
        if (always || now - lastDraw_ >= kRedrawInterval) {
            lastDraw_ = now;
            redraw();
        }
        return;
    }
    if (always) {
        std::fprintf(out_, "%s  %s\n", label(unit).c_str(), units_[unit].line.c_str());
        std::fflush(out_);
    }
}

void StationProgress::redraw() {
    if (drawn_) {
        moveUpOnStandardError(units_.size());  // back to the first port's line
    }
    for (std::size_t unit = 0; unit < units_.size(); ++unit) {
        std::string line = label(unit) + "  " + units_[unit].line;
        // A line covers only as much of the last one as it writes: each is as wide as the widest.
        lineWidth_ = std::max(lineWidth_, line.size());
        line.resize(lineWidth_, ' ');
        std::fprintf(out_, "\r%s\n", line.c_str());
    }
    drawn_ = true;
    std::fflush(out_);
}

std::string stationSummary(const std::vector<UnitResult>& results) {
    std::size_t nameWidth = 0;
    std::size_t serialWidth = 0;
    std::size_t messageWidth = 0;
    for (const UnitResult& result : results) {
        nameWidth = std::max(nameWidth, result.port.name().size());
        serialWidth = std::max(serialWidth, result.port.serialNumber.size());
        messageWidth = std::max(messageWidth, result.outcome.message.text.size());
    }
    std::string text;
    int completed = 0;
    for (const UnitResult& result : results) {
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%7.1f s", result.elapsed.count());
        std::string line =
            padded(result.port.name(), nameWidth) + "  " +
            (serialWidth > 0 ? padded(result.port.serialNumber, serialWidth) + "  " : "") +
            padded(result.outcome.message.text, messageWidth) + seconds;
        if (result.outcome.succeeded) {
            ++completed;
        } else {
            line += "  " + reasonAndWhatItLeaves(result.outcome);
        }
        text += line + "\n";
        if (!result.recordNote.empty()) {
            text += "    " + result.recordNote + "\n";
        }
    }
    const int failed = static_cast<int>(results.size()) - completed;
    return text + std::to_string(completed) + " completed, " + std::to_string(failed) + " failed\n";
}

}  // namespace rkt5
