#include "firmware/generator/FirmwareLayout.h"

#include <algorithm>
#include <stdexcept>
#include <string>
#include <utility>

namespace rkt5::firmware_gen {

namespace {

// Padding between modules: mostly single bytes that bring the next function to an even address,
// and a few longer holes where a module was dropped.
std::vector<std::uint32_t> shortGapSizes(SplitMix64& rng) {
    std::vector<std::uint32_t> sizes(35, 1);
    for (std::uint32_t size : {3u, 4u, 4u, 7u, 12u}) {
        sizes.push_back(size);
    }
    for (std::size_t i = sizes.size() - 1; i > 0; --i) {
        std::swap(sizes[i], sizes[rng.below(static_cast<std::uint32_t>(i + 1))]);
    }
    return sizes;
}

std::vector<Span> placeGaps(SplitMix64& rng) {
    // Short gaps per section; they keep away from the version block and the vector table.
    constexpr std::uint32_t kShortGapsPerSection[] = {8, 14, 6, 6, 6};
    constexpr std::uint32_t kMargin = 256;

    const std::vector<std::uint32_t> sizes = shortGapSizes(rng);
    std::size_t next = 0;
    std::vector<Span> gaps;
    for (std::size_t s = 0; s < std::size(kSections); ++s) {
        const Span section = kSections[s];
        const std::uint32_t count = kShortGapsPerSection[s];
        const std::uint32_t usableStart = section.start + kMargin;
        const std::uint32_t slot = (section.length - 2 * kMargin) / count;
        for (std::uint32_t j = 0; j < count; ++j) {
            const std::uint32_t size = sizes.at(next++);
            std::uint32_t position = usableStart + j * slot + slot / 4 + rng.below(slot / 2);
            if (size == 1) {
                position |= 1;
            }
            gaps.push_back({position, size});
        }
        if (s + 1 < std::size(kSections)) {
            const std::uint32_t blankEnd = kSections[s + 1].start;
            gaps.push_back({section.end(), blankEnd - section.end()});
        }
    }
    if (next != sizes.size()) {
        throw std::runtime_error("not every short gap was placed");
    }
    return gaps;
}

std::vector<Span> runsBetween(const std::vector<Span>& gaps) {
    std::vector<Span> runs;
    std::uint32_t start = kImageStart;
    for (const Span& gap : gaps) {
        if (gap.start <= start) {
            throw std::runtime_error("gaps overlap or touch at " + std::to_string(gap.start));
        }
        runs.push_back({start, gap.start - start});
        start = gap.end();
    }
    runs.push_back({start, kImageEnd - start});
    return runs;
}

// Cuts the runs into records: 32-byte records throughout, and short ones whose number and byte
// total come out exactly at kShortRecordCount and kShortRecordBytes. Every run whose length is
// not a multiple of 32 needs a short record; the rest of the short records come from breaking a
// full record into two pieces (a module boundary inside a run) and from splitting a short one.
std::vector<Record> cutRecords(const std::vector<Span>& runs, SplitMix64& rng) {
    const auto runCount = static_cast<std::uint32_t>(runs.size());
    std::vector<std::vector<std::uint32_t>> shorts(runCount);
    std::vector<std::uint32_t> fulls(runCount);
    std::uint32_t count = 0;
    std::uint32_t bytes = 0;
    for (std::uint32_t i = 0; i < runCount; ++i) {
        const std::uint32_t rest = runs[i].length % kFullRecordBytes;
        fulls[i] = runs[i].length / kFullRecordBytes;
        if (rest != 0) {
            shorts[i].push_back(rest);
            ++count;
            bytes += rest;
        }
    }
    if (bytes > kShortRecordBytes) {
        throw std::runtime_error("run ends leave " + std::to_string(bytes) +
                                 " bytes for short records, more than allowed");
    }
    const std::uint32_t broken = (kShortRecordBytes - bytes) / kFullRecordBytes;
    if (count + 2 * broken > kShortRecordCount) {
        throw std::runtime_error("too many short records needed: " +
                                 std::to_string(count + 2 * broken));
    }
    for (std::uint32_t b = 0; b < broken; ++b) {
        std::uint32_t i = rng.below(runCount);
        while (fulls[i] < 2) {
            i = rng.below(runCount);
        }
        --fulls[i];
        const std::uint32_t piece = 1 + rng.below(kFullRecordBytes - 1);
        shorts[i].push_back(piece);
        shorts[i].push_back(kFullRecordBytes - piece);
        count += 2;
    }
    while (count < kShortRecordCount) {
        const std::uint32_t i = rng.below(runCount);
        if (shorts[i].empty()) {
            continue;
        }
        const std::uint32_t k = rng.below(static_cast<std::uint32_t>(shorts[i].size()));
        const std::uint32_t size = shorts[i][k];
        if (size < 2) {
            continue;
        }
        const std::uint32_t piece = 1 + rng.below(size - 1);
        shorts[i][k] = piece;
        shorts[i].push_back(size - piece);
        ++count;
    }

    std::vector<Record> records;
    for (std::uint32_t i = 0; i < runCount; ++i) {
        // Each short record goes in front of a randomly chosen full record (or at the run's end).
        std::vector<std::pair<std::uint32_t, std::uint32_t>> placed;  // (position, size)
        for (std::uint32_t size : shorts[i]) {
            placed.emplace_back(rng.below(fulls[i] + 1), size);
        }
        std::stable_sort(placed.begin(), placed.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        std::uint32_t address = runs[i].start;
        std::size_t p = 0;
        for (std::uint32_t f = 0; f <= fulls[i]; ++f) {
            for (; p < placed.size() && placed[p].first == f; ++p) {
                records.push_back({address, placed[p].second});
                address += placed[p].second;
            }
            if (f < fulls[i]) {
                records.push_back({address, kFullRecordBytes});
                address += kFullRecordBytes;
            }
        }
        if (address != runs[i].end()) {
            throw std::runtime_error("records do not cover run at " +
                                     std::to_string(runs[i].start));
        }
    }
    return records;
}

}  // namespace

FirmwareLayout makeLayout(SplitMix64& rng) {
    FirmwareLayout layout;
    layout.gaps = placeGaps(rng);
    layout.runs = runsBetween(layout.gaps);
    layout.records = cutRecords(layout.runs, rng);

    // Slot 0 is the header, so data record r sits in slot r + 1.
    const Record& before = layout.records.at(kSecondPartFirstSlot - 2);
    const Record& after = layout.records.at(kSecondPartFirstSlot - 1);
    if (before.address + before.length != after.address) {
        throw std::runtime_error("the break between fill parts 1 and 2 falls on a gap");
    }
    return layout;
}

}  // namespace rkt5::firmware_gen
