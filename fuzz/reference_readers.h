// Plain second readings of both formats, written for clarity rather than speed: byte
// positions are signed 64-bit and every read is checked where it happens. The harnesses
// hold the library's results against them, so the fuzzer finds wrong answers as well as
// crashes.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "waypoints/file_error.h"

namespace quendra::fuzz {

struct ReferenceGtmWaypoint {
    std::string name;  // the 10 bytes as stored
    std::uint64_t latitudeBits;
    std::uint64_t longitudeBits;
    std::uint32_t altitudeBits;
    std::uint16_t icon;
};

struct ReferenceGtm {
    FileError error = FileError::None;
    std::int32_t count = 0;
    std::uint16_t datum = 0;
    std::vector<ReferenceGtmWaypoint> waypoints;
};

class Bytes {
public:
    Bytes(const std::uint8_t* data, std::size_t size)
        : data_(data), size_(static_cast<std::int64_t>(size)) {}
    bool Has(std::int64_t at, std::int64_t length) const {
        return at >= 0 && length >= 0 && at + length <= size_;
    }
    std::uint64_t Uint(std::int64_t at, int bytes) const {
        std::uint64_t value = 0;
        for (int i = bytes - 1; i >= 0; --i) value = value << 8 | data_[at + i];
        return value;
    }
    std::string Text(std::int64_t at, std::int64_t length) const {
        return std::string(reinterpret_cast<const char*>(data_ + at),
                           static_cast<std::size_t>(length));
    }
    std::int64_t size() const { return size_; }

private:
    const std::uint8_t* data_;
    std::int64_t size_;
};

inline ReferenceGtm ReadGtmReference(const std::uint8_t* data, std::size_t size) {
    Bytes file(data, size);
    ReferenceGtm result;
    auto fail = [&result](FileError why) {
        result = ReferenceGtm{};
        result.error = why;
        return result;
    };
    if (!file.Has(0, 13) || file.Text(2, 10) != "TrackMaker" ||
        (file.Uint(12, 1) != 0xFF && file.Uint(0, 2) != 211)) {
        return fail(FileError::WrongSignature);
    }
    if (!file.Has(0, 67)) return fail(FileError::Truncated);
    auto waypoints = static_cast<std::int32_t>(file.Uint(35, 4));
    auto extras = static_cast<std::int32_t>(file.Uint(63, 4));
    if (waypoints < 0) return fail(FileError::Malformed);
    if (waypoints == 0) return result;
    if (extras < 0) return fail(FileError::Malformed);

    std::int64_t at = 99;
    auto skipString = [&]() -> FileError {
        if (!file.Has(at, 2)) return FileError::Truncated;
        auto length = static_cast<std::int16_t>(file.Uint(at, 2));
        if (length < 0) return FileError::Malformed;
        if (!file.Has(at + 2, length)) return FileError::Truncated;
        at += 2 + length;
        return FileError::None;
    };
    for (int i = 0; i < 4; ++i) {
        if (FileError why = skipString(); why != FileError::None) return fail(why);
    }
    if (!file.Has(at, 58)) return fail(FileError::Truncated);
    auto datum = static_cast<std::uint16_t>(file.Uint(at + 34, 2));
    at += 58;
    for (std::int64_t i = 0; i < extras; ++i) {
        for (int s = 0; s < 2; ++s) {
            if (FileError why = skipString(); why != FileError::None) return fail(why);
        }
        if (!file.Has(at, 30)) return fail(FileError::Truncated);
        at += 30;
    }
    // Every record is at least 43 bytes, so a count the rest cannot hold is refused first.
    if (static_cast<std::int64_t>(waypoints) * 43 > file.size() - at) {
        return fail(FileError::Truncated);
    }
    for (std::int32_t i = 0; i < waypoints; ++i) {
        if (!file.Has(at, 43)) return fail(FileError::Truncated);
        auto comment = static_cast<std::int64_t>(file.Uint(at + 26, 2));
        if (!file.Has(at, 43 + comment)) return fail(FileError::Truncated);
        result.waypoints.push_back({file.Text(at + 16, 10), file.Uint(at, 8), file.Uint(at + 8, 8),
                                    static_cast<std::uint32_t>(file.Uint(at + 37 + comment, 4)),
                                    static_cast<std::uint16_t>(file.Uint(at + 28 + comment, 2))});
        at += 43 + comment;
    }
    result.count = waypoints;
    result.datum = datum;
    return result;
}

struct ReferenceWtr {
    FileError error = FileError::None;
    std::vector<std::string> lines;
};

inline ReferenceWtr ReadWtrReference(const std::uint8_t* data, std::size_t size) {
    static const std::string kWaypointTag = "\xFFWpt\xFF";
    static const std::string kTrackTag = "\xFFTrk\xFF";
    Bytes file(data, size);
    ReferenceWtr result;
    if (!file.Has(0, 5) || file.Text(0, 5) != kWaypointTag) {
        result.error = FileError::WrongSignature;
        return result;
    }
    std::int64_t at = 16;
    while (!(file.Has(at, 5) && file.Text(at, 5) == kTrackTag)) {
        if (!file.Has(at, 64)) {
            result.lines.clear();
            result.error = FileError::Truncated;
            return result;
        }
        std::string name = file.Text(at, 10);
        name = name.substr(0, name.find('\0'));
        std::uint32_t bits = static_cast<std::uint32_t>(file.Uint(at + 28, 4));
        float altitude;
        std::memcpy(&altitude, &bits, sizeof altitude);
        char line[64];
        std::snprintf(line, sizeof line, "%s %3.lf", name.c_str(), static_cast<double>(altitude));
        result.lines.emplace_back(line);
        at += 64;
    }
    return result;
}

}  // namespace quendra::fuzz
