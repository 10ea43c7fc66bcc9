// WTR reading: whatever the bytes, the reader stays inside them and lists exactly what
// the reference reading lists, or fails with nothing listed.
#include <cstdint>
#include <span>

#include "fuzz/fuzz_support.h"
#include "fuzz/reference_readers.h"
#include "platform/codepage.h"
#include "waypoints/wtr_waypoint_set.h"

using namespace quendra;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static CodePageDecoder decoder;
    static const bool decoderOpen = decoder.Open("CP950");
    FUZZ_CHECK(decoderOpen);

    WtrWaypointSet set;
    VectorLineSink lines;
    bool loaded = set.LoadFromBytes(std::span<const std::uint8_t>(data, size), lines);
    fuzz::ReferenceWtr expected = fuzz::ReadWtrReference(data, size);

    FUZZ_CHECK(set.error == expected.error);
    FUZZ_CHECK(loaded == (expected.error == FileError::None));
    if (!loaded) {
        FUZZ_CHECK(set.count == 0 && !set.records && lines.lines.empty());
        return 0;
    }
    FUZZ_CHECK(set.count == static_cast<std::int32_t>(expected.lines.size()));
    FUZZ_CHECK((set.records != nullptr) == (set.count > 0));
    FUZZ_CHECK(lines.lines == expected.lines);
    for (std::int32_t i = 0; i < set.count; ++i) {
        FUZZ_CHECK(set.records[i].name[10] == '\0');
        FUZZ_CHECK(fuzz::IsValidUtf8(decoder.Decode(lines.lines[static_cast<std::size_t>(i)])));
    }
    return 0;
}
