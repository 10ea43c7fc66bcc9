#include "waypoints/waypoint_file.h"

#include <algorithm>
#include <vector>

#include "platform/byte_source.h"
#include "platform/file_io.h"
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

// Looks at the start of `source`, `size` bytes long, inflated when it is compressed: a GTM
// file is read whole, anything else is read as GPX in pieces.
bool Sniff(WaypointFile& file, ByteSource& source, std::uint64_t size, CodePageEncoder& names) {
    file.format = WaypointFormat::Gtm;
    file.gpx = {};
    std::vector<std::uint8_t> head;
    if (!ReadUpTo(source, static_cast<std::size_t>(std::min<std::uint64_t>(kHeadSize, size)), head))
        return Fail(file.set, source.failure, source.cause);
    const bool compressed = IsGzip(head);
    // The first inflated bytes, from the head alone.
    std::vector<std::uint8_t> inflated;
    if (compressed) {
        MemorySource start(head);
        GzipSource inflating(start);
        ReadUpTo(inflating, kGtmSignatureSize, inflated);
    }
    if (HasGtmSignature(compressed ? inflated : head)) {
        FileBytes data;
        Failure error = Failure::None;
        std::error_code cause;
        if (!ReadSized(source, size, head, data, &error, &cause)) {
            return Fail(file.set, error, cause);
        }
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
