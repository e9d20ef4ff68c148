#pragma once

#include <string>
#include <vector>

namespace rkt5::bench {

// One run of a program as a child process, as the kernel accounts for it.
struct ChildRun {
    double wallSeconds = 0;
    double cpuSeconds = 0;  // user + system: less disturbed than wall time on a busy machine
    // The process's own, without the children it waited for (wine's own processes, under wine).
    double ownCpuSeconds = 0;
    long maxResidentKb = 0;
    int exitCode = -1;  // -1 when it could not start or was ended by a signal
};

// Runs argv (the program looked up on PATH unless it holds a slash) with its standard output
// and standard error going to /dev/null (the exit code tells failure) and waits for it to end.
ChildRun runChild(const std::vector<std::string>& argv);

double median(std::vector<double> values);

}  // namespace rkt5::bench
