#include "waypoints/display_line.h"

#include <cstddef>
#include <cstdio>

#include "waypoints/wtr_waypoint_set.h"

namespace quendra {

namespace {
constexpr std::size_t kNameLength = 10;
}

std::string DisplayLine(const char* name, float altitude) {
    char shown[kNameLength + 1];
    for (std::size_t i = 0; i < kNameLength; ++i) shown[i] = name[i] == '\0' ? ' ' : name[i];
    shown[kNameLength] = '\0';
    // 10 + 1 + the 40 characters of the most negative float fit easily.
    char line[64];
    if (altitude == kUnknownAltitude) {
        // No made-up height: the column stays as wide as a short one.
        std::snprintf(line, sizeof line, "%s    ", shown);
    } else {
        std::snprintf(line, sizeof line, "%s %3.lf", shown, static_cast<double>(altitude));
    }
    return line;
}

}  // namespace quendra
