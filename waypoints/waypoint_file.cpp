#include "waypoints/waypoint_file.h"

#include <algorithm>
#include <vector>

#include "platform/file_io.h"

#include "platform/byte_source.h"
#include "platform/gzip.h"

namespace quendra {

namespace {

// Enough of the start to know a GTM file by its signature, even when it is compressed.
constexpr std::size_t kHeadSize = 64 << 10;

bool Fail(GtmWaypointSet& set, Failure failure, const std::error_code& cause = {}) {
    set.count = 0;
    set.records.reset();
    set.error = failure;
    set.cause = cause;
    return false;
}

// The whole of a GTM file of `size` bytes: `head`, already read, then the rest of `source`.
bool ReadRest(ByteSource& source, const std::vector<std::uint8_t>& head, std::uint64_t size,
              FileBytes& data, GtmWaypointSet& set) {
    if (size > kMaxReadSize) {
        return Fail(set, Failure::TooLarge, std::make_error_code(std::errc::file_too_large));
    }
    if (!AllocateBytes(data, static_cast<std::size_t>(size))) {
        return Fail(set, Failure::TooLarge, std::make_error_code(std::errc::not_enough_memory));
    }
    std::size_t filled = std::min(head.size(), data.size());
    std::copy_n(head.begin(), filled, data.begin());
    while (filled < data.size()) {
        std::size_t got = 0;
        if (!source.Read(data.data() + filled, data.size() - filled, got)) {
            return Fail(set, source.failure, source.cause);
        }
        if (got == 0) return Fail(set, Failure::CannotRead, Failure::ShortRead);
        filled += got;
    }
    return true;
}

// Looks at the start of `source`, `size` bytes long, inflated when it is compressed: a GTM
// file is read whole, anything else is read as GPX in pieces.
bool Sniff(WaypointFile& file, ByteSource& source, std::uint64_t size, CodePageEncoder& names) {
    file.format = WaypointFormat::Gtm;
    file.gpx = {};
    std::vector<std::uint8_t> head;
    if (!ReadUpTo(source, static_cast<std::size_t>(std::min<std::uint64_t>(kHeadSize, size)), head))
        return Fail(file.set, source.failure, source.cause);
    const bool compressed = IsGzip(head);
    std::vector<std::uint8_t> content = head;
    if (compressed) {
        // The first inflated bytes, from the head alone.
        MemorySource start(head);
        GzipSource inflating(start);
        ReadUpTo(inflating, kGtmSignatureSize, content);
    }
    if (HasGtmSignature(content)) {
        FileBytes data;
        if (!ReadRest(source, head, size, data, file.set)) return false;
        if (compressed && !InflateIfCompressed(data, file.set.error)) {
            return Fail(file.set, file.set.error);
        }
        return file.set.LoadFromBytes(data);
    }
    file.format = WaypointFormat::Gpx;
    PrefixedSource raw(std::move(head), source);
    if (!compressed) return LoadGpx(raw, names, file.set, file.gpx);
    GzipSource inflating(raw);
    return LoadGpx(inflating, names, file.set, file.gpx);
}

}  // namespace

bool WaypointFile::Load(const std::filesystem::path& path, CodePageEncoder& gpxNames) {
    FileSource source;
    if (!source.Open(path)) return Fail(set, source.failure, source.cause);
    return Sniff(*this, source, source.size, gpxNames);
}

bool WaypointFile::LoadFromBytes(std::span<const std::uint8_t> data, CodePageEncoder& gpxNames) {
    MemorySource source(data);
    return Sniff(*this, source, data.size(), gpxNames);
}

}  // namespace quendra
