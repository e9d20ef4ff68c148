#include "cli/protocol/StandardErrorTerminal.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>

#include <algorithm>
#else
#include <unistd.h>

#include <cstdlib>
#include <string_view>
#endif

#include <cstdio>

namespace rkt5 {

bool standardErrorIsTerminal() {
#ifdef _WIN32
    return _isatty(_fileno(stderr)) != 0;
#else
    return isatty(STDERR_FILENO) != 0;
#endif
}

bool standardErrorRedrawsLines() {
#ifdef _WIN32
    // _isatty says yes to NUL as well; only a console has a screen buffer.
    CONSOLE_SCREEN_BUFFER_INFO screen;
    return GetConsoleScreenBufferInfo(GetStdHandle(STD_ERROR_HANDLE), &screen) != 0;
#else
    const char* term = std::getenv("TERM");
    return standardErrorIsTerminal() && !(term != nullptr && std::string_view(term) == "dumb");
#endif
}

void moveUpOnStandardError(std::size_t lines) {
    std::fflush(stderr);
#ifdef _WIN32
    const HANDLE console = GetStdHandle(STD_ERROR_HANDLE);
    CONSOLE_SCREEN_BUFFER_INFO screen;
    if (GetConsoleScreenBufferInfo(console, &screen)) {
        const auto row = std::max<long long>(
            0, static_cast<long long>(screen.dwCursorPosition.Y) - static_cast<long long>(lines));
        SetConsoleCursorPosition(console, COORD{0, static_cast<SHORT>(row)});
    }
#else
    std::fprintf(stderr, "\x1b[%zuA", lines);
#endif
}

}  // namespace rkt5
