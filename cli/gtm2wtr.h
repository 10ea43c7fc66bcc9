// gtm2wtr, the command-line converter, as a function tests can call.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace quendra {

enum ExitCode : int { kExitSuccess = 0, kExitFailure = 1, kExitUsage = 2 };

struct CliStreams {
    std::ostream& out;
    std::ostream& err;
    std::istream& in;
    // Whether a person can answer the datum question on `in`.
    bool interactive;
};

// `args` excludes the program name. Paths are bytes as the system gives them (UTF-8 on
// Windows, where main converts the wide arguments).
int RunGtm2Wtr(const std::vector<std::string>& args, CliStreams streams);

}  // namespace quendra
