#include "waypoints/wtr_waypoint_set.h"

#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#include "platform/file_io.h"
#include "platform/large_memory.h"
#include "waypoints/byte_reader.h"
#include "waypoints/datums.h"

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

// The datum conversions as BuildRecords applies them, one loop for each.
struct KeepPosition {
    void operator()(double&, double&) const {}
};
struct ShiftHuTzuShan {
    void operator()(double& latitude, double& longitude) const {
        latitude -= kHuTzuShanLatitudeOffset;
        longitude += kHuTzuShanLongitudeOffset;
    }
};
struct TransformDatum {
    const Datum& datum;
    void operator()(double& latitude, double& longitude) const {
        ToWgs84(datum, latitude, longitude);
    }
};

// Made-up positions are worse than no file: a position that is no real one, or that has no
// semicircle value once moved, is refused.
template <class Move>
bool Moved(Move move, double& latitude, double& longitude) {
    if (!IsRealPosition(latitude, longitude)) return false;
    move(latitude, longitude);
    // Only a longitude the move itself pushed past the antimeridian is wrapped.
    longitude = WrapLongitude(longitude);
    return ToSemicircles(latitude) && ToSemicircles(longitude);
}

// Stops at the first position refused, returning its index; -1 when all are built.
template <class Move>
std::int32_t BuildRecords(const GtmWaypoint* from, WtrWaypoint* to, std::int32_t count, Move move) {
    for (std::int32_t i = 0; i < count; ++i) {
        double latitude = from[i].latitude;
        double longitude = from[i].longitude;
        if (!Moved(move, latitude, longitude)) return i;
        std::optional<std::int32_t> wtrLatitude = ToSemicircles(latitude);
        std::optional<std::int32_t> wtrLongitude = ToSemicircles(longitude);
        WtrWaypoint& waypoint = to[i];
        CopyName(waypoint.name, from[i].name, '\0');
        waypoint.name[kNameLength] = '\0';
        waypoint.latitude = *wtrLatitude;
        waypoint.longitude = *wtrLongitude;
        waypoint.altitude = from[i].altitude;
        waypoint.symbolCode = WtrSymbolFor(from[i].iconCode);
    }
    return -1;
}

// The fields of a record at `at`, as PutRecord lays them out.
void GetRecord(const ByteReader& file, std::size_t at, WtrWaypoint& waypoint) {
    std::memcpy(waypoint.name, file.At(at), kNameLength);
    waypoint.name[kNameLength] = '\0';
    waypoint.latitude = file.I32(at + kLatitudeOffset);
    waypoint.longitude = file.I32(at + kLongitudeOffset);
    waypoint.altitude = file.F32(at + kAltitudeOffset);
    waypoint.symbolCode = file.U16(at + kSymbolOffset);
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

double FromSemicircles(std::int32_t units) {
    double degrees = units / kSemicirclesPerDegree;
    // The quotient can land a hair short of the unit, which truncation would then lose.
    for (int step = 0; step < 16 && ToSemicircles(degrees) != units; ++step) {
        degrees = std::nextafter(degrees, units > 0 ? 1000.0 : -1000.0);
    }
    return degrees;
}

bool MovePosition(const DatumConversion& conversion, double& latitude, double& longitude) {
    switch (conversion.kind) {
        case DatumConversion::Kind::None:
            return Moved(KeepPosition{}, latitude, longitude);
        case DatumConversion::Kind::HuTzuShanShift:
            return Moved(ShiftHuTzuShan{}, latitude, longitude);
        case DatumConversion::Kind::Transform:
            return conversion.datum != nullptr &&
                   Moved(TransformDatum{*conversion.datum}, latitude, longitude);
    }
    return false;
}

bool IsRealPosition(double latitude, double longitude) {
    // NaN fails every comparison.
    return std::fabs(latitude) <= 90.0 && std::fabs(longitude) <= 180.0;
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

std::uint16_t GtmIconFor(std::uint16_t symbolCode) {
    for (std::uint16_t icon : {27, 34, 60, 73}) {
        if (WtrSymbolFor(icon) == symbolCode) return icon;
    }
    return 48;
}

bool WtrWaypointSet::BuildFrom(std::int32_t gtmCount, const GtmWaypoint* gtmRecords,
                               const DatumConversion& conversion) {
    badWaypoint = -1;
    count = 0;
    records.reset();
    if (gtmCount <= 0 || gtmRecords == nullptr) return false;
    LargeArray<WtrWaypoint> built =
        AllocateRecords<WtrWaypoint>(static_cast<std::size_t>(gtmCount));
    if (!built) return false;
    switch (conversion.kind) {
        case DatumConversion::Kind::None:
            badWaypoint = BuildRecords(gtmRecords, built.get(), gtmCount, KeepPosition{});
            break;
        case DatumConversion::Kind::HuTzuShanShift:
            badWaypoint = BuildRecords(gtmRecords, built.get(), gtmCount, ShiftHuTzuShan{});
            break;
        case DatumConversion::Kind::Transform:
            if (conversion.datum == nullptr) return false;
            badWaypoint =
                BuildRecords(gtmRecords, built.get(), gtmCount, TransformDatum{*conversion.datum});
            break;
    }
    if (badWaypoint >= 0) return false;
    count = gtmCount;
    records = std::move(built);
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

bool WtrRecordReader::Next(WtrWaypoint& waypoint) {
    auto fail = [this](Failure why) {
        error = why;
        return false;
    };
    if (!started_) {
        started_ = true;
        if (!Fill(kWtrMarkerSize)) return fail(file_.failure);
        if (!Here().Matches(0, kWaypointMarker, kMarkerTagSize)) {
            return fail(Failure::WrongSignature);
        }
        begin_ += kWtrMarkerSize;
    }
    if (!Fill(kWtrRecordSize)) return fail(file_.failure);
    const ByteReader record = Here();
    if (record.Matches(0, kTrackMarker, kMarkerTagSize)) return false;
    if (!record.Has(0, kWtrRecordSize)) return fail(Failure::Truncated);
    GetRecord(record, 0, waypoint);
    begin_ += kWtrRecordSize;
    return true;
}

ByteReader WtrRecordReader::Here() const {
    return ByteReader(std::span(bytes_.data() + begin_, end_ - begin_));
}

bool WtrRecordReader::Fill(std::size_t size) {
    if (end_ - begin_ >= size) return true;
    std::copy(bytes_.begin() + static_cast<std::ptrdiff_t>(begin_),
              bytes_.begin() + static_cast<std::ptrdiff_t>(end_), bytes_.begin());
    end_ -= begin_;
    begin_ = 0;
    bytes_.resize(kBlockSize);
    while (end_ < size) {
        std::size_t got = 0;
        if (!file_.Read(bytes_.data() + end_, bytes_.size() - end_, got)) return false;
        if (got == 0) break;
        end_ += got;
    }
    return true;
}

bool WtrWaypointSet::LoadFromBytes(std::span<const std::uint8_t> data) {
    ByteReader file(data);
    auto fail = [this](Failure why) {
        count = 0;
        records.reset();
        error = why;
        return false;
    };
    if (!file.Matches(0, kWaypointMarker, kMarkerTagSize)) return fail(Failure::WrongSignature);

    std::size_t position = kWtrMarkerSize;
    std::size_t found = 0;
    while (!file.Matches(position, kTrackMarker, kMarkerTagSize)) {
        if (!file.Has(position, kWtrRecordSize)) return fail(Failure::Truncated);
        position += kWtrRecordSize;
        ++found;
    }
    if (found > 0x7FFFFFFF) return fail(Failure::TooLarge);
    if (found == 0) {
        count = 0;
        records.reset();
        error = Failure::None;
        return true;
    }

    records = AllocateZeroed<WtrWaypoint>(found);
    count = static_cast<std::int32_t>(found);
    if (!records) {
        error = Failure::OutOfMemory;
        return false;
    }
    error = Failure::None;
    for (std::size_t i = 0; i < found; ++i) {
        GetRecord(file, kWtrMarkerSize + i * kWtrRecordSize, records[i]);
    }
    return true;
}

}  // namespace quendra
