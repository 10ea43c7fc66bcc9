// WTR reading: whatever the bytes, the reader stays inside them and returns records that
// list, or fails with nothing kept.
#include <cstdint>
#include <span>

#include "fuzz/fuzz_support.h"
#include "waypoints/wtr_waypoint_set.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    quendra::WtrWaypointSet set;
    quendra::fuzz::LoadAndCheck(std::span<const std::uint8_t>(data, size), set,
                                [](const std::string&) {});
    return 0;
}
