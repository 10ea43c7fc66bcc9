// GTM reading with display lines: whatever the bytes, the reader stays inside them, and a
// file it accepts gets exactly one line per waypoint, each starting with the 10-character name.
#include <cstdint>
#include <span>

#include "fuzz/fuzz_support.h"
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
    FUZZ_CHECK(loaded == (set.error == FileError::None));
    FUZZ_CHECK(lines.lines.size() == (loaded ? static_cast<std::size_t>(set.count) : 0));
    FUZZ_CHECK((set.records != nullptr) == (loaded && set.count > 0));
    for (std::size_t i = 0; i < lines.lines.size(); ++i) {
        FUZZ_CHECK(set.records[i].name[10] == '\0');
        FUZZ_CHECK(lines.lines[i].size() >= 14 && lines.lines[i][10] == ' ');
        decoder.Decode(lines.lines[i]);
    }
    return 0;
}
