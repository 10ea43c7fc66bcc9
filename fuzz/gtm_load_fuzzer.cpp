// GTM reading with its display lines: whatever the bytes, the reader stays inside them,
// agrees with the reference reading, and adds lines only for a file it accepted.
#include <cstdint>
#include <cstring>
#include <span>
#include <string>

#include "fuzz/fuzz_support.h"
#include "fuzz/reference_readers.h"
#include "platform/codepage.h"
#include "waypoints/gtm_waypoint_set.h"

using namespace quendra;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static CodePageDecoder decoder;
    static const bool decoderOpen = decoder.Open("CP950");
    FUZZ_CHECK(decoderOpen);

    GtmWaypointSet set;
    VectorLineSink lines;
    bool loaded = set.LoadFromBytes(std::span<const std::uint8_t>(data, size), lines);
    fuzz::ReferenceGtm expected = fuzz::ReadGtmReference(data, size);

    FUZZ_CHECK(set.error == expected.error);
    FUZZ_CHECK(loaded == (expected.error == FileError::None));
    if (!loaded) {
        FUZZ_CHECK(set.count == 0 && !set.records && lines.lines.empty());
        return 0;
    }
    FUZZ_CHECK(set.count == expected.count);
    FUZZ_CHECK(lines.lines.size() == static_cast<std::size_t>(set.count));
    FUZZ_CHECK((set.records != nullptr) == (set.count > 0));
    if (set.count > 0) FUZZ_CHECK(set.datumCode == expected.datum);

    for (std::int32_t i = 0; i < set.count; ++i) {
        const GtmWaypoint& waypoint = set.records[i];
        const fuzz::ReferenceGtmWaypoint& want = expected.waypoints[static_cast<std::size_t>(i)];
        FUZZ_CHECK(std::memcmp(waypoint.name, want.name.data(), 10) == 0 && waypoint.name[10] == 0);
        std::uint64_t latitude, longitude;
        std::uint32_t altitude;
        std::memcpy(&latitude, &waypoint.latitude, 8);
        std::memcpy(&longitude, &waypoint.longitude, 8);
        std::memcpy(&altitude, &waypoint.altitude, 4);
        FUZZ_CHECK(latitude == want.latitudeBits && longitude == want.longitudeBits);
        FUZZ_CHECK(altitude == want.altitudeBits && waypoint.iconCode == want.icon);

        // The name part is always exactly 10 characters, zero bytes shown as spaces.
        const std::string& line = lines.lines[static_cast<std::size_t>(i)];
        FUZZ_CHECK(line.size() >= 14 && line.size() <= 51 && line[10] == ' ');
        for (std::size_t k = 0; k < 10; ++k) {
            FUZZ_CHECK(line[k] == (want.name[k] == '\0' ? ' ' : want.name[k]));
        }
        FUZZ_CHECK(fuzz::IsValidUtf8(decoder.Decode(line)));
    }
    return 0;
}
