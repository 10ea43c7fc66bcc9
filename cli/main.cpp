#include <iostream>
#include <string>
#include <vector>

#include "cli/gtm2wtr.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "platform/utf16.h"

#ifdef __MINGW32__
// cmd.exe hands patterns such as *.gtm over as they are; the C runtime expands them, as
// a shell would elsewhere.
extern "C" {
int _dowildcard = -1;
}
#endif

namespace {

// A console, not a file, pipe or NUL (which _isatty takes for a terminal).
bool IsConsole(DWORD which) {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(which), &mode) != 0;
}

}  // namespace

// wmain: the arguments arrive as UTF-16, so a path in any script reaches the converter intact.
int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.push_back(quendra::Utf8FromWide(argv[i]));
    bool interactive = IsConsole(STD_INPUT_HANDLE) && IsConsole(STD_ERROR_HANDLE);
    // Everything printed is UTF-8; the console's own setting is put back on the way out.
    UINT consoleCodePage = GetConsoleOutputCP();
    SetConsoleOutputCP(CP_UTF8);
    int status = quendra::RunGtm2Wtr(args, {std::cout, std::cerr, std::cin, interactive});
    std::cout.flush();
    std::cerr.flush();
    if (consoleCodePage != 0) SetConsoleOutputCP(consoleCodePage);
    return status;
}
#else
#include <unistd.h>

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    std::vector<std::string> args(argv + 1, argv + argc);
    bool interactive = isatty(STDIN_FILENO) && isatty(STDERR_FILENO);
    return quendra::RunGtm2Wtr(args, {std::cout, std::cerr, std::cin, interactive});
}
#endif
