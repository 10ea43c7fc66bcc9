// The waypoints of a GPS TrackMaker (.gtm) file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "platform/large_memory.h"
#include "platform/line_sink.h"
#include "platform/message_boxes.h"
#include "waypoints/file_error.h"

namespace quendra {

inline constexpr std::uint16_t kDatumHuTzuShan = 81;
inline constexpr std::uint16_t kDatumWgs84 = 217;

// The fixed Hu-Tzu-Shan to WGS84 offset, in degrees: subtracted from the latitude, added
// to the longitude.
inline constexpr double kHuTzuShanLatitudeOffset = 0.00178;
inline constexpr double kHuTzuShanLongitudeOffset = 0.00823;

// How the datum check treats a datum other than WGS84: `Simple` shifts Hu-Tzu-Shan by the
// fixed offset when the user agrees and refuses the rest; `Accurate` converts every known
// datum (datums.h) without a question.
enum class DatumMode { Simple, Accurate };

// The modes' names, as the profile stores them and gtm2wtr takes them.
inline constexpr std::string_view kDatumModeSimple = "simple";
inline constexpr std::string_view kDatumModeAccurate = "accurate";
constexpr std::string_view DatumModeName(DatumMode mode) {
    return mode == DatumMode::Accurate ? kDatumModeAccurate : kDatumModeSimple;
}

struct GtmWaypoint {
    // The 10 bytes as stored, raw code-page text; name[10] is always zero.
    char name[11];
    double latitude;
    double longitude;
    float altitude;
    std::uint16_t iconCode;
};

// "%s %3.lf" of the name (zero bytes shown as spaces) and the altitude.
std::string GtmDisplayLine(const GtmWaypoint& waypoint);

// The signature: "TrackMaker" at byte 2, then 0xFF, or any byte when the 16-bit version at
// byte 0 is 211, as other GTM 2.11 writers have it. Only the first 13 bytes are looked at.
inline constexpr std::size_t kGtmSignatureSize = 13;
bool HasGtmSignature(std::span<const std::uint8_t> data);

// Makes the bytes of a GTM file as stored into GTM bytes: a gzip-compressed file, known by
// its first bytes whatever its name, is inflated in place (refused on its first inflated
// bytes when they are no GTM signature); other bytes stay as they are.
bool InflateIfCompressed(FileBytes& data, FileError& error);

// Reads a GTM file whole, inflated when compressed; `cause`, when given, gets the
// system's reason for a failed read.
bool ReadGtmFile(const std::filesystem::path& path, FileBytes& data, FileError& error,
                 std::error_code* cause = nullptr);

class GtmWaypointSet {
public:
    virtual ~GtmWaypointSet() = default;

    // Reads the file (gzip-compressed or not) and appends one display line per waypoint to `list`,
    // in file order. A file that fails to load leaves count 0 (or the header's count when only the
    // records could not be allocated), no records, and `list` untouched.
    bool Load(const std::filesystem::path& path, LineSink& list);
    bool LoadFromBytes(std::span<const std::uint8_t> data, LineSink& list);

    // Lets the conversion go on for WGS84. Simple: for Hu-Tzu-Shan asks, and on Yes shifts
    // the records; refuses any other datum with a message. Accurate: converts a known datum,
    // refuses an unknown one. Either way a set is moved to WGS84 at most once.
    bool CheckDatum(MessageBoxes& messages, DatumMode mode = DatumMode::Simple);

    std::int32_t count = 0;
    LargeArray<GtmWaypoint> records;  // null when absent
    std::uint16_t datumCode = 0;
    bool shiftedToWgs84 = false;
    FileError error = FileError::None;
};

}  // namespace quendra
