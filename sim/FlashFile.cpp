#include "sim/FlashFile.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "common/WireProtocol.h"

namespace rkt5::sim {

std::vector<std::uint8_t> readFlashFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read flash file " + path);
    }
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());
    if (in.bad()) {
        throw std::runtime_error("cannot read flash file " + path);
    }
    if (bytes.size() != wire::kFlashSize) {
        throw std::runtime_error("flash file " + path + " holds " + std::to_string(bytes.size()) +
                                 " bytes; it must hold " + std::to_string(wire::kFlashSize));
    }
    return bytes;
}

void writeFlashFile(const std::string& path, const std::vector<std::uint8_t>& contents) {
    const std::string temporary = path + ".partial";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(contents.data()),
                  static_cast<std::streamsize>(contents.size()));
        out.close();
        if (!out) {
            std::remove(temporary.c_str());
            throw std::runtime_error("cannot write flash file " + path);
        }
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        throw std::runtime_error("cannot write flash file " + path);
    }
}

}  // namespace rkt5::sim
