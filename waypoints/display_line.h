// The line a waypoint list shows, for GTM and WTR records alike.
#pragma once

#include <string>

namespace quendra {

// "%s %3.lf" of the 10 name bytes (zero bytes shown as spaces) and the altitude: raw
// code-page bytes, decoded for display by whoever shows them.
std::string DisplayLine(const char* name, float altitude);

template <class Waypoint>
std::string DisplayLine(const Waypoint& waypoint) {
    return DisplayLine(waypoint.name, waypoint.altitude);
}

}  // namespace quendra
