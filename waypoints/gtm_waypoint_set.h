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

#include "platform/failure.h"
#include "platform/large_memory.h"

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

struct Datum;

// How positions are moved to WGS84 while the WTR records are built.
struct DatumConversion {
    enum class Kind { None, HuTzuShanShift, Transform };
    Kind kind = Kind::None;
    const Datum* datum = nullptr;  // for Transform
};

// What the datum check decides for a loaded set; whoever talks to the user acts on it.
struct DatumVerdict {
    enum class Kind {
        Keep,          // WGS84: the positions as they are
        AskThenShift,  // Hu-Tzu-Shan in the simple mode: only once the user agrees
        Convert,       // a known datum in the accurate mode
        Refuse,
    };
    // Why a datum is refused.
    enum class Refusal {
        None,
        NotSimple,  // the simple mode converts only WGS84 and Hu-Tzu-Shan
        Unknown,    // the accurate mode knows no such datum
        NoShift,    // a GTM datum with no published shift to WGS84 (FindDatum names it)
    };
    Kind kind = Kind::Keep;
    // What BuildFrom applies: on Keep, on Convert, and after a Yes to the question.
    DatumConversion conversion;
    Refusal refusal = Refusal::None;
    // On a simple-mode refusal: the accurate mode would convert this datum.
    bool accurateConverts = false;
};

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

// The signature: "TrackMaker" at byte 2, then 0xFF, or any byte when the 16-bit version at
// byte 0 is 211, as other GTM 2.11 writers have it. Only the first 13 bytes are looked at.
inline constexpr std::size_t kGtmSignatureSize = 13;
bool HasGtmSignature(std::span<const std::uint8_t> data);

// Makes the bytes of a GTM file as stored into GTM bytes: a gzip-compressed file, known by
// its first bytes whatever its name, is inflated in place (refused on its first inflated
// bytes when they are no GTM signature); other bytes stay as they are.
bool InflateIfCompressed(FileBytes& data, Failure& error);

// Reads a GTM file whole, inflated when compressed; `cause`, when given, gets the
// system's reason for a failed read.
bool ReadGtmFile(const std::filesystem::path& path, FileBytes& data, Failure& error,
                 std::error_code* cause = nullptr);

class GtmWaypointSet {
public:
    // Reads the file (gzip-compressed or not). A file that fails to load leaves count 0 (or
    // the header's count when only the records could not be allocated) and no records;
    // `error` says why, and `cause` the system's reason where there is one.
    bool Load(const std::filesystem::path& path);
    bool LoadFromBytes(std::span<const std::uint8_t> data);

    // Simple: WGS84 is kept, Hu-Tzu-Shan is shifted once the user agrees, the rest is
    // refused. Accurate: a datum with a shift is converted, any other refused. The set itself
    // is never moved: BuildFrom applies the verdict's conversion.
    DatumVerdict CheckDatum(DatumMode mode = DatumMode::Simple) const;

    std::int32_t count = 0;
    LargeArray<GtmWaypoint> records;  // null when absent
    std::uint16_t datumCode = 0;
    Failure error = Failure::None;
    std::error_code cause;
};

}  // namespace quendra
