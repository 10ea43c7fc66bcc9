// A waypoint file of either kind the dialog and gtm2wtr convert, told apart by its content
// whatever its name: GTM (by its signature) or GPX (an XML document), gzip-compressed or not.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>

#include "platform/codepage.h"
#include "waypoints/gpx_reader.h"
#include "waypoints/gtm_waypoint_set.h"

namespace quendra {

enum class WaypointFormat { Gtm, Gpx };

struct WaypointFile {
    // Loads the file at `path` into `set`, which then holds its waypoints or, on failure, why
    // not (`set.error`, `set.cause`). GPX names are written in the code page of `gpxNames`;
    // `gpx` tells what else a GPX file held. A GTM file is read whole, as GtmWaypointSet
    // reads it; a GPX file in pieces, inflated as it is parsed.
    bool Load(const std::filesystem::path& path, CodePageEncoder& gpxNames);
    bool LoadFromBytes(std::span<const std::uint8_t> data, CodePageEncoder& gpxNames);

    WaypointFormat format = WaypointFormat::Gtm;
    GtmWaypointSet set;
    GpxReport gpx;
};

}  // namespace quendra
