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

inline ProgramRun runFlash(const TempDir& dir, const std::string& args) {
    const std::string out = dir.file("stdout.txt");
    const std::string err = dir.file("stderr.txt");
    const std::string command =
        std::string(RKT5_FLASH) + " " + args + " >'" + out + "' 2>'" + err + "'";
    const int status = std::system(command.c_str());
    ProgramRun run;
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = readBytes(out);
    run.err = readBytes(err);
    return run;
}

}  // namespace rkt5::test
