#include "cli/ProtocolModule.h"

#include <filesystem>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#include <unistd.h>
#endif

namespace rkt5::cli {

namespace {

using EntryPoint = const Command* (*)(std::size_t*);

#ifdef _WIN32
constexpr const char* kModuleName = "rkt5-flash-protocol.dll";

std::filesystem::path executableDirectory() {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    return std::filesystem::path(std::wstring(path, length)).parent_path();
}

EntryPoint openEntryPoint(const std::filesystem::path& module, std::string& error) {
    HMODULE handle = LoadLibraryW(module.c_str());
    if (handle == nullptr) {
        error = "cannot load " + module.string();
        return nullptr;
    }
    return reinterpret_cast<EntryPoint>(GetProcAddress(handle, kProtocolEntryPoint));
}
#else
constexpr const char* kModuleName = "rkt5-flash-protocol.so";

std::filesystem::path executableDirectory() {
    std::error_code ignored;
    return std::filesystem::read_symlink("/proc/self/exe", ignored).parent_path();
}

EntryPoint openEntryPoint(const std::filesystem::path& module, std::string& error) {
    // Kept loaded for the life of the process: its commands run until main returns.
    void* handle = dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        error = dlerror();
        return nullptr;
    }
    return reinterpret_cast<EntryPoint>(dlsym(handle, kProtocolEntryPoint));
}
#endif

}  // namespace

std::span<const Command> loadProtocolCommands(std::string& error) {
    const std::filesystem::path module = executableDirectory() / kModuleName;
    const EntryPoint entry = openEntryPoint(module, error);
    if (entry == nullptr) {
        if (error.empty()) {
            error = module.string() + " has no entry point " + kProtocolEntryPoint;
        }
        return {};
    }
    std::size_t count = 0;
    const Command* commands = entry(&count);
    return {commands, count};
}

}  // namespace rkt5::cli
