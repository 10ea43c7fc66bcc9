// gtm2wtr run in-process, as a user at a terminal or a script meets it.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "cli/gtm2wtr.h"

namespace quendra::testing {

struct CliRun {
    int exit = -1;
    std::string out, err;
};

// `answer` is what the user types when someone is at the terminal (`interactive`).
inline CliRun Gtm2wtr(const std::vector<std::string>& args, bool interactive = false,
                      const std::string& answer = "") {
    std::ostringstream out, err;
    std::istringstream in(answer);
    const int exit = RunGtm2Wtr(args, {out, err, in, interactive});
    return {exit, out.str(), err.str()};
}

}  // namespace quendra::testing
