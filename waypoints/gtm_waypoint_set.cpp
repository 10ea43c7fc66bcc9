#include "waypoints/gtm_waypoint_set.h"

#include <cstring>
#include <new>
#include <vector>

#include "platform/file_io.h"
#include "platform/gzip.h"
#include "platform/large_memory.h"
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
Failure SkipString(const ByteReader& file, std::size_t& position) {
    if (!file.Has(position, 2)) return Failure::Truncated;
    std::int16_t length = file.I16(position);
    if (length < 0) return Failure::Malformed;
    if (!file.Has(position + 2, static_cast<std::size_t>(length))) return Failure::Truncated;
    position += 2 + static_cast<std::size_t>(length);
    return Failure::None;
}

}  // namespace

bool HasGtmSignature(std::span<const std::uint8_t> data) {
    ByteReader file(data);
    // Other GTM 2.11 writers put 0x00 where the marker byte stands; the version tells.
    return file.Matches(kSignatureOffset, kSignature, kSignatureLength) &&
           file.Has(kMarkerOffset, 1) &&
           (*file.At(kMarkerOffset) == kMarker || file.U16(0) == kVersion211);
}

bool InflateIfCompressed(FileBytes& data, Failure& error) {
    if (!IsGzip(data)) return true;
    FileBytes inflated;
    bool inflatedWell = Inflate(data, {kGtmSignatureSize, HasGtmSignature}, inflated, &error);
    data.clear();
    data.shrink_to_fit();
    if (!inflatedWell) return false;
    data.swap(inflated);
    return true;
}

bool ReadGtmFile(const std::filesystem::path& path, FileBytes& data, Failure& error,
                 std::error_code* cause) {
    return ReadWholeFile(path, data, &error, cause) && InflateIfCompressed(data, error);
}

bool GtmWaypointSet::Load(const std::filesystem::path& path) {
    FileBytes data;
    if (!ReadGtmFile(path, data, error, &cause)) {
        count = 0;
        records.reset();
        return false;
    }
    return LoadFromBytes(data);
}

bool GtmWaypointSet::LoadFromBytes(std::span<const std::uint8_t> data) {
    ByteReader file(data);
    auto fail = [this](Failure why) {
        count = 0;
        records.reset();
        error = why;
        return false;
    };
    cause.clear();

    if (!HasGtmSignature(data)) return fail(Failure::WrongSignature);
    if (!file.Has(kExtraCountOffset, 4)) return fail(Failure::Truncated);

    std::int32_t waypointCount = file.I32(kWaypointCountOffset);
    std::int32_t extraCount = file.I32(kExtraCountOffset);
    if (waypointCount < 0) return fail(Failure::Malformed);
    if (waypointCount == 0) {
        count = 0;
        records.reset();
        error = Failure::None;
        return true;
    }

    std::size_t position = kHeaderStringsOffset;
    for (std::size_t i = 0; i < kHeaderStringCount; ++i) {
        if (Failure why = SkipString(file, position); why != Failure::None) return fail(why);
    }
    if (!file.Has(position, kHeaderBlockSize)) return fail(Failure::Truncated);
    std::uint16_t datum = file.U16(position + kDatumOffsetInBlock);
    position += kHeaderBlockSize;
    // Each entry takes at least 34 bytes, so a lying count runs out of data quickly. A
    // negative count walks no entries.
    for (std::int32_t i = 0; i < extraCount; ++i) {
        for (int s = 0; s < 2; ++s) {
            if (Failure why = SkipString(file, position); why != Failure::None) {
                return fail(why);
            }
        }
        if (!file.Has(position, kExtraEntryTailSize)) return fail(Failure::Truncated);
        position += kExtraEntryTailSize;
    }

    // Held against what the file can hold before anything is allocated.
    auto wanted = static_cast<std::size_t>(waypointCount);
    if (wanted > (file.size() - position) / kMinRecordSize) return fail(Failure::Truncated);

    LargeArray<GtmWaypoint> loaded = AllocateRecords<GtmWaypoint>(wanted);
    if (!loaded) {
        fail(Failure::OutOfMemory);
        count = waypointCount;
        return false;
    }
    for (std::size_t i = 0; i < wanted; ++i) {
        if (!file.Has(position, kMinRecordSize)) return fail(Failure::Truncated);
        std::size_t commentLength = file.U16(position + kCommentLengthOffset);
        if (!file.Has(position, kMinRecordSize + commentLength)) return fail(Failure::Truncated);
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
    error = Failure::None;
    return true;
}

DatumVerdict GtmWaypointSet::CheckDatum(DatumMode mode) const {
    using Kind = DatumVerdict::Kind;
    using Refusal = DatumVerdict::Refusal;
    if (datumCode == kDatumWgs84) return {};
    const Datum* datum = FindDatum(datumCode);
    if (mode == DatumMode::Accurate) {
        if (datum == nullptr) return {Kind::Refuse, {}, Refusal::Unknown};
        if (!datum->HasShift()) return {Kind::Refuse, {}, Refusal::NoShift};
        return {Kind::Convert, {DatumConversion::Kind::Transform, datum}};
    }
    if (datumCode == kDatumHuTzuShan) {
        return {Kind::AskThenShift, {DatumConversion::Kind::HuTzuShanShift}};
    }
    return {Kind::Refuse, {}, Refusal::NotSimple, datum != nullptr && datum->HasShift()};
}

}  // namespace quendra
