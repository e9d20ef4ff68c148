#include "cli/protocol/StandardErrorTerminal.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>
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

bool standardErrorTakesControlSequences() {
#ifdef _WIN32
    // _isatty says yes to NUL as well; only a console has a console mode.
    const HANDLE console = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    if (!GetConsoleMode(console, &mode)) {
        return false;
    }
    return (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0 ||
           SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
#else
    const char* term = std::getenv("TERM");
    return standardErrorIsTerminal() && !(term != nullptr && std::string_view(term) == "dumb");
#endif
}

}  // namespace rkt5
