// gtm2wtr's options, each declared once with its help and the values it takes.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/gtm2wtr.h"
#include "platform/codepage.h"
#include "waypoints/gtm_waypoint_set.h"

namespace quendra {

enum class HuTzuShanPolicy { Ask, Shift, Refuse };

struct Options {
    bool list = false;
    bool positions = false;
    std::optional<std::string> outputFolder;
    HuTzuShanPolicy policy = HuTzuShanPolicy::Ask;
    DatumMode datumMode = DatumMode::Simple;
    bool listDatums = false;
    std::string codePage = kDefaultCodePage;
    std::vector<std::string> files;
};

// Fills `options` from `args` (the program name left out). Returns the exit status when the
// run ends here, with what it printed: the help or the version (0), or a usage error (2).
std::optional<int> ParseOptions(const std::vector<std::string>& args, Options& options,
                                CliStreams streams);

// For a usage error found once the options are read; returns kExitUsage.
int UsageError(CliStreams streams, std::string_view problem);

}  // namespace quendra
