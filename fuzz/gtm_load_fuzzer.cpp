// GTM reading with display lines: whatever the bytes, the reader stays inside them, and a
// file it accepts gets exactly one line per waypoint, each starting with the 10-character name.
#include <cstdint>
#include <span>

#include "fuzz/fuzz_support.h"
#include "waypoints/gtm_waypoint_set.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    quendra::GtmWaypointSet set;
    quendra::VectorLineSink lines;
    quendra::fuzz::LoadAndCheck(std::span<const std::uint8_t>(data, size), set, lines);
    for (const std::string& line : lines.lines) FUZZ_CHECK(line.size() >= 14 && line[10] == ' ');
    return 0;
}
