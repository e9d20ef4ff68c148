#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "tests/support/TempDir.h"

namespace rkt5::test {

// One run of the real rkt5-flash program: its exit code and what it printed.
struct ProgramRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

inline std::string flashCommand(const TempDir& dir, const std::string& args) {
    return std::string(RKT5_FLASH) + " " + args + " >'" + dir.file("stdout.txt") + "' 2>'" +
           dir.file("stderr.txt") + "'";
}

inline ProgramRun programRun(const TempDir& dir, int status) {
    ProgramRun run;
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = readBytes(dir.file("stdout.txt"));
    run.err = readBytes(dir.file("stderr.txt"));
    return run;
}

inline ProgramRun runFlash(const TempDir& dir, const std::string& args) {
    return programRun(dir, std::system(flashCommand(dir, args).c_str()));
}

}  // namespace rkt5::test
