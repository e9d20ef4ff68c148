#pragma once

namespace rkt5::cli {

// Runs a transceiver command in rkt5-flash-link, the program beside this one, with the same
// arguments; returns its exit code (on POSIX the process becomes that program and this returns
// only when it could not be started).
int runProtocolProgram(int argc, char** argv);

}  // namespace rkt5::cli
