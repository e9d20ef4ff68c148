#include "bench/ProcessFigures.h"

#include <malloc.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace rkt5::bench {

namespace {

long entriesIn(const char* folder) {
    long count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) {
        ++count;
    }
    return count;
}

}  // namespace

long threadCount() {
    return entriesIn("/proc/self/task");
}

long openDescriptors() {
    return entriesIn("/proc/self/fd");
}

double residentMegabytes() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024 * 1024);
}

double heapInUseMegabytes() {
    return static_cast<double>(mallinfo2().uordblks) / (1024 * 1024);
}

void releaseFreeHeap() {
    malloc_trim(0);
}

}  // namespace rkt5::bench
