// Reading GPX, whatever the bytes (compressed or not), as the dialog and gtm2wtr read a
// file: a loaded set agrees with its error, holds only real positions, names of at most 10
// bytes that list, and known heights or the unknown one; a broken document tells its line.
#include <cmath>
#include <cstdint>
#include <span>
#include <string>

#include "fuzz/fuzz_support.h"
#include "platform/codepage.h"
#include "waypoints/display_line.h"
#include "waypoints/waypoint_file.h"
#include "waypoints/wtr_waypoint_set.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static quendra::CodePageEncoder names;
    static const bool namesOpen = names.Open(quendra::kGpxNameCodePage);
    FUZZ_CHECK(namesOpen);
    quendra::WaypointFile file;
    const bool loaded = file.LoadFromBytes(std::span(data, size), names);
    const quendra::GtmWaypointSet& set = file.set;
    FUZZ_CHECK(loaded == (set.error == quendra::Failure::None));
    if (set.error == quendra::Failure::MalformedXml) FUZZ_CHECK(file.gpx.line > 0);
    if (!loaded || file.format != quendra::WaypointFormat::Gpx) return 0;
    FUZZ_CHECK(set.count > 0 && set.records != nullptr);
    for (std::int32_t i = 0; i < set.count; ++i) {
        const quendra::GtmWaypoint& waypoint = set.records[i];
        FUZZ_CHECK(waypoint.name[10] == '\0');
        FUZZ_CHECK(quendra::IsRealPosition(waypoint.latitude, waypoint.longitude));
        FUZZ_CHECK(std::isfinite(waypoint.altitude));
        FUZZ_CHECK(quendra::DisplayLine(waypoint).size() >= 14);
    }
    return 0;
}
