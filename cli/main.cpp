#include <iostream>
#include <string>
#include <vector>

#include "cli/gtm2wtr.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
    SetConsoleOutputCP(CP_UTF8);
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        int size = WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, nullptr, 0, nullptr, nullptr);
        std::string arg(size > 0 ? static_cast<std::size_t>(size - 1) : 0, '\0');
        if (size > 1) {
            WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, arg.data(), size, nullptr, nullptr);
        }
        args.push_back(std::move(arg));
    }
    bool interactive = _isatty(_fileno(stdin)) && _isatty(_fileno(stderr));
    return quendra::RunGtm2Wtr(args, {std::cout, std::cerr, std::cin, interactive});
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
