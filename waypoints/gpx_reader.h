// GPX 1.0 and 1.1 files: their `wpt` elements, loaded as a set of WGS84 waypoints with
// names in a code page, ready for the WTR file as any GTM set is.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/byte_source.h"
#include "platform/codepage.h"
#include "waypoints/gtm_waypoint_set.h"

namespace quendra {

// A name that the 10 bytes of a WTR name could not hold as it was: cut, or with characters
// the code page lacks.
struct ChangedName {
    std::string original;  // UTF-8, trimmed
    std::string written;   // code-page bytes
};

struct GpxReport {
    static constexpr std::size_t kNamesShown = 5;

    // Not waypoints, as in GTM files; counted so that the user learns they were left out.
    std::int64_t routePoints = 0;
    std::int64_t trackPoints = 0;
    std::int64_t changedNames = 0;
    std::vector<ChangedName> firstChanged;  // the first kNamesShown
    // Written names that different names became (a device may merge or overwrite them):
    // how many, and the first kNamesShown, as code-page bytes.
    std::int64_t mergedNames = 0;
    std::vector<std::string> firstMerged;
    // Where the XML broke, or the refused waypoint is.
    std::uint64_t line = 0;
    // The refused waypoint: its number from 0, its name (UTF-8) and position as written.
    std::int32_t badWaypoint = -1;
    std::string badName;
    std::string badLatitude;
    std::string badLongitude;
};

// The name as a WTR file holds it: `text` trimmed of white space, each character in the code
// page or `?` where it has none, cut at 10 bytes between characters, zero-padded in
// `name`. Returns whether it differs from the trimmed text. `asciiAsIs` says that the code
// page writes printable ASCII as it is, which spares asking the encoder for each.
bool FitName(std::string_view text, CodePageEncoder& encoder, bool asciiAsIs, char (&name)[11]);

// Loads the waypoints of the GPX document `input` into `set` (datum WGS84; a `sym` is kept as
// the GTM icon of that WTR symbol, a missing `ele` as kUnknownAltitude). Fails, with
// `set.error`: WrongSignature when it is no XML document with a `gpx` root element;
// MalformedXml or XmlRefused past that, with `report.line`; BadPosition for a `lat` or `lon`
// that is missing, no number or out of range (the report names the waypoint); NoWaypoints;
// OutOfMemory; or the failure of the read itself (with `set.cause`). A document declared in
// Big5 is read through the code-page decoder.
bool LoadGpx(ByteSource& input, CodePageEncoder& names, GtmWaypointSet& set, GpxReport& report);

}  // namespace quendra
