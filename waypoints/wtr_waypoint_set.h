// Garmin WTR waypoint files: built from GTM waypoints, written, and read back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <system_error>

#include "platform/large_memory.h"
#include "platform/line_sink.h"
#include "waypoints/file_error.h"
#include "waypoints/gtm_waypoint_set.h"

namespace quendra {

inline constexpr std::size_t kWtrMarkerSize = 16;
inline constexpr std::size_t kWtrRecordSize = 64;

// Degrees times 11930464.0, truncated toward zero. Empty when the value is not finite
// or the result does not fit a signed 32-bit integer.
std::optional<std::int32_t> ToSemicircles(double degrees);

// A longitude past +-180 (as the datum shift can make one) moved back by 360 degrees.
double WrapLongitude(double degrees);

std::uint16_t WtrSymbolFor(std::uint16_t gtmIconCode);

struct WtrWaypoint {
    char name[11];  // up to the GTM name's first zero byte
    std::int32_t latitude;
    std::int32_t longitude;
    float altitude;
    std::uint16_t symbolCode;
};

class WtrWaypointSet {
public:
    virtual ~WtrWaypointSet() = default;

    // Fails for no waypoints, or a coordinate that has no semicircle value.
    bool BuildFrom(std::int32_t gtmCount, const GtmWaypoint* gtmRecords);
    // Replaces the file at `path` only once the whole file is written, by the rules of
    // SafeFileWriter; on failure any existing file is left as it was. A non-empty `input`
    // naming the same file as `path` (after links) is refused before anything is written.
    // `saveError` then holds the cause; it is cleared by a successful save.
    bool Save(const std::filesystem::path& path, const std::filesystem::path& input = {});
    // Appends a display line (name and altitude) per waypoint. A file that ends inside
    // a record or has no track marker fails with count 0.
    virtual bool Load(const std::filesystem::path& path, LineSink& list);
    bool LoadFromBytes(std::span<const std::uint8_t> data, LineSink& list);

    std::int32_t count = 0;
    LargeArray<WtrWaypoint> records;  // null when absent
    FileError error = FileError::None;
    // Which waypoint stopped BuildFrom, for the message that names it.
    std::int32_t badWaypoint = -1;
    // Why the last Save failed: a system error, or FileIoErrc (not a regular file, same
    // file as the input, folder not writable).
    std::error_code saveError;
};

}  // namespace quendra
