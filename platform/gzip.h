// Inflating gzip data (one or more members, as gzip and GPS TrackMaker write it), bounded
// so that no input can make it hold more than the caller allows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "platform/byte_source.h"
#include "platform/failure.h"
#include "platform/large_memory.h"

namespace quendra {

// Far beyond any real waypoint file; a stream that inflates to more is refused.
inline constexpr std::uint64_t kMaxInflatedSize = std::uint64_t{1} << 30;

// Whether the data starts as a gzip member does (1F 8B), whatever the file is called.
bool IsGzip(std::span<const std::uint8_t> data);

// What the inflated data must start with. `accepts` sees its first `size` bytes (all of
// it when it is shorter) before anything more is inflated.
struct InflatedPrefix {
    std::size_t size;
    bool (*accepts)(std::span<const std::uint8_t> first);
};

// Inflates every member of `compressed` into `inflated`, which ends up holding exactly the
// inflated bytes. Refused, with `inflated` empty: data whose first bytes `prefix` does not
// accept (WrongSignature), more than `limit` bytes (InflatedTooLarge), data that ends inside
// a member (CompressedTruncated), a bad header, deflate data, checksum or length
// (CompressedCorrupt). Bytes after the last member that do not start another member are
// ignored, as zlib's own reader does.
bool Inflate(std::span<const std::uint8_t> compressed, const InflatedPrefix& prefix,
             FileBytes& inflated, Failure* failure = nullptr,
             std::uint64_t limit = kMaxInflatedSize);

// Inflates `compressed` as it is read, every member in turn, never holding more than a
// piece: for files read as they are parsed. Fails as Inflate does (CompressedTruncated,
// CompressedCorrupt, InflatedTooLarge past `limit`), or with the compressed source's failure.
class GzipSource : public ByteSource {
public:
    explicit GzipSource(ByteSource& compressed, std::uint64_t limit = kMaxInflatedSize);
    ~GzipSource() override;
    GzipSource(const GzipSource&) = delete;
    GzipSource& operator=(const GzipSource&) = delete;
    bool Read(std::uint8_t* out, std::size_t size, std::size_t& got) override;

private:
    struct Stream;
    std::unique_ptr<Stream> stream_;
    std::uint64_t limit_;
};

}  // namespace quendra
