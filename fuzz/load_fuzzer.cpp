// Reading, whatever the bytes: the WTR reader on them as they are, then the GTM reader, on
// compressed input once inflated, as a compressed file is. Each stays inside the bytes and
// keeps LoadAndCheck's promises; inflating yields a GTM signature or a reason; each GTM
// waypoint's line starts with the 10-character name.
#include <cstdint>
#include <span>
#include <string>

#include "fuzz/fuzz_support.h"
#include "platform/gzip.h"
#include "waypoints/gtm_waypoint_set.h"
#include "waypoints/wtr_waypoint_set.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    quendra::WtrWaypointSet wtr;
    quendra::fuzz::LoadAndCheck(std::span(data, size), wtr, [](const std::string&) {});
    quendra::FileBytes bytes(data, data + size);
    quendra::Failure error = quendra::Failure::None;
    if (!quendra::InflateIfCompressed(bytes, error)) {
        FUZZ_CHECK(error != quendra::Failure::None && bytes.empty());
        return 0;
    }
    FUZZ_CHECK(!quendra::IsGzip(std::span(data, size)) || quendra::HasGtmSignature(bytes));
    quendra::GtmWaypointSet set;
    quendra::fuzz::LoadAndCheck(
        std::span<const std::uint8_t>(bytes), set,
        [](const std::string& line) { FUZZ_CHECK(line.size() >= 14 && line[10] == ' '); });
    return 0;
}
