#include "cli/ProtocolProgram.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "cli/Command.h"
#include "cli/ProtocolCommandList.h"

#ifdef _WIN32
#include <process.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace rkt5::cli {

namespace {

#ifdef _WIN32
std::filesystem::path programPath() {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    return std::filesystem::path(std::wstring(path, length)).parent_path() /
           (std::string(kProtocolProgramName) + ".exe");
}
#else
std::filesystem::path programPath() {
    std::error_code ignored;
    return std::filesystem::read_symlink("/proc/self/exe", ignored).parent_path() /
           std::string(kProtocolProgramName);
}
#endif

}  // namespace

int runProtocolProgram(int argc, char** argv) {
    const std::string path = programPath().string();
    std::vector<char*> args(argv, argv + argc);
    args.push_back(nullptr);
#ifdef _WIN32
    const intptr_t code = _spawnv(_P_WAIT, path.c_str(), args.data());
    if (code != -1) {
        return static_cast<int>(code);
    }
#else
    execv(path.c_str(), args.data());
#endif
    std::cerr << "rkt5-flash: cannot start " << path << ": " << std::strerror(errno) << "\n";
    return kExitFailed;
}

}  // namespace rkt5::cli
