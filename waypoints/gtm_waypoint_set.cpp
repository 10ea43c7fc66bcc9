#include "waypoints/gtm_waypoint_set.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "platform/file_io.h"
#include "platform/gzip.h"
#include "platform/large_memory.h"
#include "res/string_table.h"
#include "waypoints/byte_reader.h"
#include "waypoints/datums.h"

namespace quendra {

namespace {

constexpr char kSignature[] = "TrackMaker";
constexpr std::size_t kSignatureOffset = 2;
constexpr std::size_t kSignatureLength = 10;
constexpr std::size_t kMarkerOffset = 12;
constexpr std::uint8_t kMarker = 0xFF;
constexpr std::uint16_t kVersion211 = 211;
static_assert(kMarkerOffset + 1 == kGtmSignatureSize);
constexpr std::size_t kWaypointCountOffset = 35;
constexpr std::size_t kExtraCountOffset = 63;
constexpr std::size_t kHeaderStringsOffset = 99;
constexpr std::size_t kHeaderStringCount = 4;
constexpr std::size_t kHeaderBlockSize = 58;
constexpr std::size_t kDatumOffsetInBlock = 34;
constexpr std::size_t kExtraEntryTailSize = 30;
constexpr std::size_t kMinRecordSize = 43;  // a record with an empty comment
constexpr std::size_t kNameOffset = 16;
constexpr std::size_t kNameLength = 10;
constexpr std::size_t kCommentLengthOffset = 26;
constexpr std::size_t kIconAfterComment = 28;
constexpr std::size_t kAltitudeAfterComment = 37;

// A GTM string: signed 16-bit length, then that many bytes. Advances past it.
FileError SkipString(const ByteReader& file, std::size_t& position) {
    if (!file.Has(position, 2)) return FileError::Truncated;
    std::int16_t length = file.I16(position);
    if (length < 0) return FileError::Malformed;
    if (!file.Has(position + 2, static_cast<std::size_t>(length))) return FileError::Truncated;
    position += 2 + static_cast<std::size_t>(length);
    return FileError::None;
}

}  // namespace

std::string GtmDisplayLine(const GtmWaypoint& waypoint) {
    char name[kNameLength + 1];
    for (std::size_t i = 0; i < kNameLength; ++i) {
        name[i] = waypoint.name[i] == '\0' ? ' ' : waypoint.name[i];
    }
    name[kNameLength] = '\0';
    // 10 + 1 + the 40 characters of the most negative float fit easily.
    char line[64];
    std::snprintf(line, sizeof line, "%s %3.lf", name, static_cast<double>(waypoint.altitude));
    return line;
}

bool HasGtmSignature(std::span<const std::uint8_t> data) {
    ByteReader file(data);
    // Other GTM 2.11 writers put 0x00 where the marker byte stands; the version tells.
    return file.Matches(kSignatureOffset, kSignature, kSignatureLength) &&
           file.Has(kMarkerOffset, 1) &&
           (*file.At(kMarkerOffset) == kMarker || file.U16(0) == kVersion211);
}

bool InflateIfCompressed(FileBytes& data, FileError& error) {
    if (!IsGzip(data)) return true;
    FileBytes inflated;
    InflateFailure failure = InflateFailure::None;
    bool inflatedWell = Inflate(data, {kGtmSignatureSize, HasGtmSignature}, inflated, &failure);
    data.clear();
    data.shrink_to_fit();
    if (!inflatedWell) {
        error = FromInflateFailure(failure);
        return false;
    }
    data.swap(inflated);
    return true;
}

bool ReadGtmFile(const std::filesystem::path& path, FileBytes& data, FileError& error,
                 std::error_code* cause) {
    ReadFailure failure = ReadFailure::None;
    if (!ReadWholeFile(path, data, &failure, cause)) {
        error = FromReadFailure(failure);
        return false;
    }
    return InflateIfCompressed(data, error);
}

bool GtmWaypointSet::Load(const std::filesystem::path& path, LineSink& list) {
    FileBytes data;
    FileError why = FileError::None;
    if (!ReadGtmFile(path, data, why)) {
        count = 0;
        records.reset();
        error = why;
        return false;
    }
    return LoadFromBytes(data, list);
}

bool GtmWaypointSet::LoadFromBytes(std::span<const std::uint8_t> data, LineSink& list) {
    ByteReader file(data);
    auto fail = [this](FileError why) {
        count = 0;
        records.reset();
        error = why;
        return false;
    };

    if (!HasGtmSignature(data)) return fail(FileError::WrongSignature);
    if (!file.Has(kExtraCountOffset, 4)) return fail(FileError::Truncated);

    std::int32_t waypointCount = file.I32(kWaypointCountOffset);
    std::int32_t extraCount = file.I32(kExtraCountOffset);
    if (waypointCount < 0) return fail(FileError::Malformed);
    if (waypointCount == 0) {
        error = FileError::None;
        return true;
    }

    std::size_t position = kHeaderStringsOffset;
    for (std::size_t i = 0; i < kHeaderStringCount; ++i) {
        if (FileError why = SkipString(file, position); why != FileError::None) return fail(why);
    }
    if (!file.Has(position, kHeaderBlockSize)) return fail(FileError::Truncated);
    std::uint16_t datum = file.U16(position + kDatumOffsetInBlock);
    position += kHeaderBlockSize;
    // Each entry takes at least 34 bytes, so a lying count runs out of data quickly. A
    // negative count walks no entries.
    for (std::int32_t i = 0; i < extraCount; ++i) {
        for (int s = 0; s < 2; ++s) {
            if (FileError why = SkipString(file, position); why != FileError::None) {
                return fail(why);
            }
        }
        if (!file.Has(position, kExtraEntryTailSize)) return fail(FileError::Truncated);
        position += kExtraEntryTailSize;
    }

    // Held against what the file can hold before anything is allocated.
    auto wanted = static_cast<std::size_t>(waypointCount);
    if (wanted > (file.size() - position) / kMinRecordSize) return fail(FileError::Truncated);

    LargeArray<GtmWaypoint> loaded = AllocateRecords<GtmWaypoint>(wanted);
    if (!loaded) {
        fail(FileError::OutOfMemory);
        count = waypointCount;
        return false;
    }
    for (std::size_t i = 0; i < wanted; ++i) {
        if (!file.Has(position, kMinRecordSize)) return fail(FileError::Truncated);
        std::size_t commentLength = file.U16(position + kCommentLengthOffset);
        if (!file.Has(position, kMinRecordSize + commentLength)) return fail(FileError::Truncated);
        GtmWaypoint& waypoint = loaded[i];
        waypoint.latitude = file.F64(position);
        waypoint.longitude = file.F64(position + 8);
        std::memcpy(waypoint.name, file.At(position + kNameOffset), kNameLength);
        waypoint.name[kNameLength] = '\0';
        waypoint.iconCode = file.U16(position + kIconAfterComment + commentLength);
        waypoint.altitude = file.F32(position + kAltitudeAfterComment + commentLength);
        position += kMinRecordSize + commentLength;
    }

    count = waypointCount;
    records = std::move(loaded);
    datumCode = datum;
    error = FileError::None;
    // Lines go out only once the whole file has proved sound, so a bad file adds none.
    if (list.WantsLines()) {
        for (std::size_t i = 0; i < wanted; ++i) list.AddLine(GtmDisplayLine(records[i]));
    }
    return true;
}

bool GtmWaypointSet::CheckDatum(MessageBoxes& messages, DatumMode mode) {
    // A set already moved to WGS84, by either mode, must not be moved again by a second
    // Convert.
    if (datumCode == kDatumWgs84 || shiftedToWgs84) return true;
    // The accurate mode converts every datum it knows; the simple one shifts Hu-Tzu-Shan
    // alone, and only when the user agrees.
    const Datum* datum = mode == DatumMode::Accurate ? FindDatum(datumCode) : nullptr;
    if (mode == DatumMode::Accurate ? datum == nullptr : datumCode != kDatumHuTzuShan) {
        messages.ShowOk(IDS_DATUM_UNSUPPORTED);
        return false;
    }
    if (datum == nullptr && !messages.AskYesNo(IDS_DATUM_HUTZUSHAN)) return false;
    for (std::int32_t i = 0; records && i < count; ++i) {
        GtmWaypoint& waypoint = records[i];
        if (datum != nullptr) {
            ToWgs84(*datum, waypoint.latitude, waypoint.longitude);
        } else {
            waypoint.latitude -= kHuTzuShanLatitudeOffset;
            waypoint.longitude += kHuTzuShanLongitudeOffset;
        }
    }
    shiftedToWgs84 = true;
    return true;
}

}  // namespace quendra
