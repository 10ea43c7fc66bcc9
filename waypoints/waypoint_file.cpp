#include "waypoints/waypoint_file.h"

#include <vector>

#include "platform/byte_source.h"
#include "platform/gzip.h"

namespace quendra {

namespace {

// Enough of the (inflated) start to know a GTM file by its signature.
constexpr std::size_t kHeadSize = 16;
static_assert(kHeadSize >= kGtmSignatureSize);

bool Fail(GtmWaypointSet& set, const ByteSource& failed) {
    set.count = 0;
    set.records.reset();
    set.error = failed.failure;
    set.cause = failed.cause;
    return false;
}

// Looks at the start of `source`, inflated when it is compressed: a GTM file is handed to
// `loadGtm`, anything else is read as GPX.
template <class LoadGtm>
bool Sniff(WaypointFile& file, ByteSource& source, CodePageEncoder& names, LoadGtm loadGtm) {
    file.format = WaypointFormat::Gtm;
    file.gpx = {};
    std::vector<std::uint8_t> head;
    if (!ReadUpTo(source, kHeadSize, head)) return Fail(file.set, source);
    if (IsGzip(head)) {
        PrefixedSource compressed(std::move(head), source);
        GzipSource inflating(compressed);
        if (!ReadUpTo(inflating, kHeadSize, head)) return Fail(file.set, inflating);
        if (HasGtmSignature(head)) return loadGtm();
        PrefixedSource document(std::move(head), inflating);
        file.format = WaypointFormat::Gpx;
        return LoadGpx(document, names, file.set, file.gpx);
    }
    if (HasGtmSignature(head)) return loadGtm();
    PrefixedSource document(std::move(head), source);
    file.format = WaypointFormat::Gpx;
    return LoadGpx(document, names, file.set, file.gpx);
}

}  // namespace

bool WaypointFile::Load(const std::filesystem::path& path, CodePageEncoder& gpxNames) {
    FileSource source;
    if (!source.Open(path)) return Fail(set, source);
    return Sniff(*this, source, gpxNames, [&] {
        source.Close();
        return set.Load(path);
    });
}

bool WaypointFile::LoadFromBytes(std::span<const std::uint8_t> data, CodePageEncoder& gpxNames) {
    MemorySource source(data);
    return Sniff(*this, source, gpxNames, [&] {
        FileBytes bytes(data.begin(), data.end());
        if (InflateIfCompressed(bytes, set.error)) return set.LoadFromBytes(bytes);
        set.count = 0;
        set.records.reset();
        return false;
    });
}

}  // namespace quendra
