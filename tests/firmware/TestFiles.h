#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace rkt5::test {

// A fresh directory under the system's temp directory, removed with everything in it.
class TempDir {
  public:
    explicit TempDir(const std::string& tag)
        : path_(std::filesystem::temp_directory_path() /
                ("rkt5-" + tag + "-" + std::to_string(::getpid()))) {
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::filesystem::path file(const std::string& name) const { return path_ / name; }

  private:
    std::filesystem::path path_;
};

inline std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

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
    result.errors = readFile(errorFile);
    return result;
}

}  // namespace rkt5::test
