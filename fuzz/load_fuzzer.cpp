// Reading, whatever the bytes: the WTR reader on them as they are, then the GTM reader, on
// compressed input once inflated, as a compressed file is. Each stays inside the bytes, its
// result agrees with its error, a refused file keeps no records, and each record lists as
// its 10-character name, a space and its altitude; inflating yields a GTM signature or a
// reason.
#include <cstdint>
#include <span>
#include <string>

#include "fuzz/fuzz_support.h"
#include "platform/codepage.h"
#include "platform/gzip.h"
#include "waypoints/display_line.h"
#include "waypoints/gtm_waypoint_set.h"
#include "waypoints/wtr_waypoint_set.h"

namespace {

template <class WaypointSet>
void LoadAndCheck(std::span<const std::uint8_t> bytes, WaypointSet& set) {
    static quendra::CodePageDecoder decoder;
    static const bool decoderOpen = decoder.Open("CP950");
    FUZZ_CHECK(decoderOpen);
    const bool loaded = set.LoadFromBytes(bytes);
    FUZZ_CHECK(loaded == (set.error == quendra::Failure::None));
    FUZZ_CHECK((set.records != nullptr) == (loaded && set.count > 0));
    for (std::int32_t i = 0; loaded && i < set.count; ++i) {
        FUZZ_CHECK(set.records[i].name[10] == '\0');
        const std::string line = quendra::DisplayLine(set.records[i]);
        FUZZ_CHECK(line.size() >= 14 && line[10] == ' ');
        decoder.Decode(line);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    quendra::WtrWaypointSet wtr;
    LoadAndCheck(std::span(data, size), wtr);
    quendra::FileBytes bytes(data, data + size);
    quendra::Failure error = quendra::Failure::None;
    if (!quendra::InflateIfCompressed(bytes, error)) {
        FUZZ_CHECK(error != quendra::Failure::None && bytes.empty());
        return 0;
    }
    FUZZ_CHECK(!quendra::IsGzip(std::span(data, size)) || quendra::HasGtmSignature(bytes));
    quendra::GtmWaypointSet gtm;
    LoadAndCheck(std::span<const std::uint8_t>(bytes), gtm);
    return 0;
}
