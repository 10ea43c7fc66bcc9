// Garmin WTR waypoint files: built from GTM waypoints, written, and read back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <system_error>
#include <vector>

#include "platform/byte_source.h"
#include "platform/failure.h"
#include "platform/large_memory.h"
#include "waypoints/gtm_waypoint_set.h"

namespace quendra {

inline constexpr std::size_t kWtrMarkerSize = 16;
inline constexpr std::size_t kWtrRecordSize = 64;

// Degrees times 11930464.0, truncated toward zero. Empty when the value is not finite
// or the result does not fit a signed 32-bit integer.
std::optional<std::int32_t> ToSemicircles(double degrees);

// The degrees closest to `units` / 11930464.0 that ToSemicircles turns back into `units`.
double FromSemicircles(std::int32_t units);

// Moves a loaded position by `conversion` as BuildFrom moves it: false for a position that
// is no real one, or that has no semicircle value once moved.
bool MovePosition(const DatumConversion& conversion, double& latitude, double& longitude);

// A longitude past +-180 (as a datum conversion can make one) moved back by 360 degrees.
double WrapLongitude(double degrees);

// Whether a loaded position can be a real one: finite, latitude within +-90 and longitude
// within +-180 degrees.
bool IsRealPosition(double latitude, double longitude);

std::uint16_t WtrSymbolFor(std::uint16_t gtmIconCode);
// The GTM icon that WtrSymbolFor turns into `symbolCode` (48, the dot's, for other codes).
std::uint16_t GtmIconFor(std::uint16_t symbolCode);

// An altitude nobody knows: "A value of 1.0e25 in either of these fields indicates that this
// parameter is not supported or is unknown for this waypoint" (Garmin's device interface
// document 001-00063-00, Rev. C, 7.4.9 D108_Wpt_Type, "alt"). Lists show it blank.
inline constexpr float kUnknownAltitude = 1.0e25f;

struct WtrWaypoint {
    char name[11];  // up to the GTM name's first zero byte
    std::int32_t latitude;
    std::int32_t longitude;
    float altitude;
    std::uint16_t symbolCode;
};

// A WTR file's records read one by one as its bytes come, none held: for writing them
// elsewhere without the file in memory. Refuses what LoadFromBytes refuses.
class ByteReader;

class WtrRecordReader {
public:
    explicit WtrRecordReader(ByteSource& file) : file_(file) {}
    // The next record into `waypoint`; false at the track marker (with `error` None) or on a
    // failure (`error` says which: WrongSignature, Truncated, or the source's own).
    bool Next(WtrWaypoint& waypoint);
    Failure error = Failure::None;

private:
    // At least `size` bytes from begin_ on, or all there are left.
    bool Fill(std::size_t size);
    ByteReader Here() const;

    ByteSource& file_;
    bool started_ = false;
    std::vector<std::uint8_t> bytes_;  // read ahead in blocks
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
};

class WtrWaypointSet {
public:
    // Builds the records from GTM ones, each position moved by `conversion` on the way. Fails
    // for no waypoints, no memory, or a position that is no real one or has no semicircle
    // value (`badWaypoint` then names it).
    bool BuildFrom(std::int32_t gtmCount, const GtmWaypoint* gtmRecords,
                   const DatumConversion& conversion = {});
    // Replaces the file at `path` only once the whole file is written, by the rules of
    // SafeFileWriter; on failure any existing file is left as it was. A non-empty `input`
    // naming the same file as `path` (after links) is refused before anything is written.
    // `saveError` then holds the cause; it is cleared by a successful save.
    bool Save(const std::filesystem::path& path, const std::filesystem::path& input = {});
    // Reads a WTR file's bytes. A file that ends inside a record or has no track marker
    // fails with count 0.
    bool LoadFromBytes(std::span<const std::uint8_t> data);

    std::int32_t count = 0;
    LargeArray<WtrWaypoint> records;  // null when absent
    Failure error = Failure::None;
    // Which waypoint stopped BuildFrom, for the message that names it.
    std::int32_t badWaypoint = -1;
    // Why the last Save failed: a system error, or a Failure (not a regular file, same file
    // as the input, folder not writable).
    std::error_code saveError;
};

}  // namespace quendra
