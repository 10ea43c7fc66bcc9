// WTR reading: whatever the bytes, the reader stays inside them and lists one line per
// waypoint it returns, or fails with nothing listed.
#include <cstdint>
#include <span>

#include "fuzz/fuzz_support.h"
#include "waypoints/wtr_waypoint_set.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    quendra::WtrWaypointSet set;
    quendra::VectorLineSink lines;
    quendra::fuzz::LoadAndCheck(std::span<const std::uint8_t>(data, size), set, lines);
    return 0;
}
