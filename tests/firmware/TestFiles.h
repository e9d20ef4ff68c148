#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/support/TempDir.h"

namespace rkt5::test {

inline void writeFile(const std::filesystem::path& path, const std::string& content) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
}

struct ToolResult {
    int exitCode = -1;
    std::string errors;  // what the tool wrote to stderr
};

// Runs a built tool with the given arguments through the shell, collecting its stderr.
inline ToolResult runTool(const std::string& tool, const std::vector<std::string>& args,
                          const std::filesystem::path& errorFile) {
    auto quoted = [](const std::string& s) { return "'" + s + "'"; };
    std::string command = quoted(tool);
    for (const std::string& arg : args) {
        command += " " + quoted(arg);
    }
    command += " >/dev/null 2>" + quoted(errorFile.string());
    const int status = std::system(command.c_str());
    ToolResult result;
    result.exitCode = (status != -1 && WIFEXITED(status)) ? WEXITSTATUS(status) : -1;
    result.errors = readBytes(errorFile.string());
    return result;
}

}  // namespace rkt5::test
