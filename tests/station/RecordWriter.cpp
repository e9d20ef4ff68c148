// Another program at a record, for the record tests:
//   record-writer append PATH COUNT LABEL   appends COUNT rows labelled LABEL-1 ... LABEL-COUNT
//   record-writer hold PATH                 holds PATH as a spreadsheet program or another writer
//                                           would, says "held", and lets go at end of input
#include <cstdio>
#include <iostream>
#include <string>

#include "station/LockedFile.h"
#include "station/UnitRecord.h"

#ifdef _WIN32
#include <windows.h>

#include <QString>
#endif

namespace {

int append(const std::string& path, int count, const std::string& label) {
    const rkt5::RecordedRun run{"bench", "tester", "0", {"EG5.000", "1747A66", "00"}};
    for (int i = 1; i <= count; ++i) {
        rkt5::UnitResult result;
        result.port = {.number = 1, .device = "/dev/ttyUSB0"};
        result.outcome = {true, rkt5::Message::ok("Completed."), ""};
        result.unit = label + "-" + std::to_string(i);
        if (const auto note = rkt5::appendUnitRecord(path, result, run)) {
            std::fprintf(stderr, "%s\n", note->c_str());
            return 1;
        }
    }
    return 0;
}

int hold(const std::string& path) {
#ifdef _WIN32
    // As a spreadsheet program holds the file it shows: open, and shared with no writer.
    const HANDLE file =
        CreateFileW(QString::fromStdString(path).toStdWString().c_str(), GENERIC_READ,
                    FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return 1;
    }
#else
    auto held = rkt5::LockedFile::open(path);
    if (!std::holds_alternative<rkt5::LockedFile>(held)) {
        return 1;
    }
#endif
    std::printf("held\n");
    std::fflush(stdout);
    for (std::string line; std::getline(std::cin, line);) {
    }
#ifdef _WIN32
    CloseHandle(file);
#endif
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string what = argc > 2 ? argv[1] : "";
    if (what == "append" && argc == 5) {
        return append(argv[2], std::stoi(argv[3]), argv[4]);
    }
    if (what == "hold" && argc == 3) {
        return hold(argv[2]);
    }
    std::fprintf(stderr, "usage: record-writer append PATH COUNT LABEL | hold PATH\n");
    return 2;
}
