#include "waypoints/wtr_waypoint_set.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "platform/file_io.h"
#include "platform/large_memory.h"
#include "waypoints/byte_reader.h"

namespace quendra {

namespace {

// Not 2^31/180: this factor keeps +-180 degrees inside the signed 32-bit range.
constexpr double kSemicirclesPerDegree = 11930464.0;

constexpr std::uint8_t kWaypointMarker[kWtrMarkerSize] = {0xFF, 'W', 'p', 't', 0xFF};
constexpr std::uint8_t kTrackMarker[kWtrMarkerSize] = {0xFF, 'T', 'r', 'k', 0xFF};
constexpr std::uint8_t kRouteMarker[kWtrMarkerSize] = {0xFF, 'R', 't', 'e', 0xFF};
constexpr std::size_t kMarkerTagSize = 5;

constexpr std::size_t kNameLength = 10;
constexpr std::size_t kLatitudeOffset = 20;
constexpr std::size_t kLongitudeOffset = 24;
constexpr std::size_t kAltitudeOffset = 28;
constexpr std::size_t kSymbolOffset = 40;
// The file goes out in writes of 1 MiB of records.
constexpr std::size_t kBlockSize = std::size_t{1} << 20;
static_assert(kBlockSize % kWtrRecordSize == 0);

void PutU16(std::uint8_t* at, std::uint16_t value) {
    at[0] = static_cast<std::uint8_t>(value);
    at[1] = static_cast<std::uint8_t>(value >> 8);
}

void PutU32(std::uint8_t* at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// The name's bytes up to its first zero byte, then `padding`.
void CopyName(char* to, const char* from, char padding) {
    std::size_t length = strnlen(from, kNameLength);
    std::memcpy(to, from, length);
    std::memset(to + length, padding, kNameLength - length);
}

// Every byte of the 64: the block it goes into is reused.
void PutRecord(std::uint8_t* record, const WtrWaypoint& waypoint) {
    std::memset(record, 0, kWtrRecordSize);
    CopyName(reinterpret_cast<char*>(record), waypoint.name, ' ');
    PutU32(record + kLatitudeOffset, static_cast<std::uint32_t>(waypoint.latitude));
    PutU32(record + kLongitudeOffset, static_cast<std::uint32_t>(waypoint.longitude));
    std::uint32_t altitudeBits;
    std::memcpy(&altitudeBits, &waypoint.altitude, sizeof altitudeBits);
    PutU32(record + kAltitudeOffset, altitudeBits);
    PutU16(record + kSymbolOffset, waypoint.symbolCode);
}

}  // namespace

std::optional<std::int32_t> ToSemicircles(double degrees) {
    double product = degrees * kSemicirclesPerDegree;
    // Exactly the values that truncate into the range; NaN and infinities fail both tests.
    if (!(product > -2147483649.0 && product < 2147483648.0)) return std::nullopt;
    return static_cast<std::int32_t>(product);
}

double WrapLongitude(double degrees) {
    if (degrees > 180.0) return degrees - 360.0;
    if (degrees < -180.0) return degrees + 360.0;
    return degrees;
}

std::uint16_t WtrSymbolFor(std::uint16_t gtmIconCode) {
    switch (gtmIconCode) {
        case 27:
            return 159;
        case 34:
            return 161;
        case 60:
            return 8236;
        case 73:
            return 8246;
        default:
            return 18;  // also the symbol of icon 48
    }
}

bool WtrWaypointSet::BuildFrom(std::int32_t gtmCount, const GtmWaypoint* gtmRecords) {
    if (gtmCount <= 0 || gtmRecords == nullptr) return false;
    count = gtmCount;
    records = AllocateRecords<WtrWaypoint>(static_cast<std::size_t>(gtmCount));
    if (!records) return false;
    for (std::int32_t i = 0; i < gtmCount; ++i) {
        const GtmWaypoint& from = gtmRecords[i];
        WtrWaypoint& to = records[i];
        // Made-up positions are worse than no file: an unconvertible coordinate stops it.
        std::optional<std::int32_t> latitude = ToSemicircles(from.latitude);
        std::optional<std::int32_t> longitude = ToSemicircles(WrapLongitude(from.longitude));
        if (!latitude || !longitude) {
            badWaypoint = i;
            records.reset();
            count = 0;
            return false;
        }
        CopyName(to.name, from.name, '\0');
        to.name[kNameLength] = '\0';
        to.latitude = *latitude;
        to.longitude = *longitude;
        to.altitude = from.altitude;
        to.symbolCode = WtrSymbolFor(from.iconCode);
    }
    return true;
}

bool WtrWaypointSet::Save(const std::filesystem::path& path, const std::filesystem::path& input) {
    saveError.clear();
    if (count <= 0 || !records) {
        saveError = std::make_error_code(std::errc::invalid_argument);
        return false;
    }
    // Records are formatted a block at a time straight into the bytes that are written; the
    // block has room for the markers before and after them.
    LargeArray<std::uint8_t> block = AllocateRecords<std::uint8_t>(kBlockSize + 3 * kWtrMarkerSize);
    if (!block) {
        saveError = std::make_error_code(std::errc::not_enough_memory);
        return false;
    }
    SafeFileWriter file;
    if (!file.Open(path, input)) {
        saveError = file.error();
        return false;
    }
    std::memcpy(block.get(), kWaypointMarker, sizeof kWaypointMarker);
    std::size_t used = sizeof kWaypointMarker;
    for (std::int32_t i = 0; i < count; ++i) {
        PutRecord(block.get() + used, records[i]);
        used += kWtrRecordSize;
        if (used >= kBlockSize) {
            file.Write(block.get(), used);
            used = 0;
        }
    }
    std::memcpy(block.get() + used, kTrackMarker, sizeof kTrackMarker);
    used += sizeof kTrackMarker;
    std::memcpy(block.get() + used, kRouteMarker, sizeof kRouteMarker);
    used += sizeof kRouteMarker;
    file.Write(block.get(), used);
    // Write failures are sticky, so Commit() answers for every write above.
    if (file.Commit()) return true;
    saveError = file.error();
    return false;
}

bool WtrWaypointSet::Load(const std::filesystem::path& path, LineSink& list) {
    FileBytes data;
    ReadFailure failure = ReadFailure::None;
    if (!ReadWholeFile(path, data, &failure)) {
        error = FromReadFailure(failure);
        return false;
    }
    return LoadFromBytes(data, list);
}

bool WtrWaypointSet::LoadFromBytes(std::span<const std::uint8_t> data, LineSink& list) {
    ByteReader file(data);
    auto fail = [this](FileError why) {
        count = 0;
        records.reset();
        error = why;
        return false;
    };
    if (!file.Matches(0, kWaypointMarker, kMarkerTagSize)) return fail(FileError::WrongSignature);

    std::size_t position = kWtrMarkerSize;
    std::size_t found = 0;
    while (!file.Matches(position, kTrackMarker, kMarkerTagSize)) {
        if (!file.Has(position, kWtrRecordSize)) return fail(FileError::Truncated);
        position += kWtrRecordSize;
        ++found;
    }
    if (found > 0x7FFFFFFF) return fail(FileError::TooLarge);
    if (found == 0) {
        count = 0;
        error = FileError::None;
        return true;
    }

    records = AllocateZeroed<WtrWaypoint>(found);
    if (!records) {
        count = static_cast<std::int32_t>(found);
        error = FileError::OutOfMemory;
        return false;
    }
    count = static_cast<std::int32_t>(found);
    error = FileError::None;
    for (std::size_t i = 0; i < found; ++i) {
        std::size_t at = kWtrMarkerSize + i * kWtrRecordSize;
        WtrWaypoint& waypoint = records[i];
        std::memcpy(waypoint.name, file.At(at), kNameLength);
        waypoint.altitude = file.F32(at + kAltitudeOffset);
        char line[64];
        std::snprintf(line, sizeof line, "%s %3.lf", waypoint.name,
                      static_cast<double>(waypoint.altitude));
        list.AddLine(line);
    }
    return true;
}

}  // namespace quendra
