#include "platform/gzip.h"

#define ZLIB_CONST
#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "platform/large_memory.h"

namespace quendra {

namespace {

constexpr std::uint8_t kMagic[] = {0x1F, 0x8B};
constexpr int kGzipOnly = 16 + MAX_WBITS;    // no zlib or raw streams
constexpr std::size_t kSmallestMember = 18;  // 10-byte header, 8-byte trailer
// Waypoint files shrink to about a half; data that inflates to much more than this many
// times what it has used up is treated as a bomb: counted first, never held on the way.
constexpr std::uint64_t kMaxTrustedRatio = 64;
constexpr std::size_t kChunk = 64 << 10;  // the first buffer, and the counting scratch
constexpr std::size_t kMaxPiece = std::size_t{1} << 30;  // zlib counts in 32 bits

// One pass over the data, member after member.
class GzipReader {
public:
    explicit GzipReader(std::span<const std::uint8_t> compressed) : data_(compressed) {
        ready_ = inflateInit2(&stream_, kGzipOnly) == Z_OK;
        stream_.next_in = data_.data();
        stream_.avail_in = 0;
    }
    ~GzipReader() {
        if (ready_) inflateEnd(&stream_);
    }
    GzipReader(const GzipReader&) = delete;
    GzipReader& operator=(const GzipReader&) = delete;

    bool Finished() const { return finished_; }
    std::size_t Consumed() const { return data_.size() - Remaining(); }

    // Fills `out` as far as the data goes; `got` falls short of `size` only at the end.
    Failure Read(std::uint8_t* out, std::size_t size, std::size_t& got) {
        got = 0;
        if (!ready_) return Failure::OutOfMemory;
        while (got < size && !finished_) {
            if (stream_.avail_in == 0) {
                stream_.avail_in = static_cast<uInt>(std::min(Remaining(), kMaxPiece));
            }
            stream_.next_out = out + got;
            stream_.avail_out = static_cast<uInt>(std::min(size - got, kMaxPiece));
            const uInt room = stream_.avail_out;
            const int result = inflate(&stream_, Z_NO_FLUSH);
            got += room - stream_.avail_out;
            switch (result) {
                case Z_OK:
                    break;
                case Z_STREAM_END:
                    if (StartsMember()) {
                        if (inflateReset(&stream_) != Z_OK) return Failure::CompressedCorrupt;
                    } else {
                        finished_ = true;
                    }
                    break;
                case Z_BUF_ERROR:  // there was room for output, so the input ran out
                    return Remaining() == 0 ? Failure::CompressedTruncated
                                            : Failure::CompressedCorrupt;
                case Z_MEM_ERROR:
                    return Failure::OutOfMemory;
                default:
                    return Failure::CompressedCorrupt;
            }
        }
        return Failure::None;
    }

private:
    std::size_t Remaining() const {
        return data_.size() - static_cast<std::size_t>(stream_.next_in - data_.data());
    }
    bool StartsMember() const { return IsGzip(data_.subspan(Consumed())); }

    std::span<const std::uint8_t> data_;
    z_stream stream_{};
    bool ready_ = false;
    bool finished_ = false;
};

}  // namespace

bool IsGzip(std::span<const std::uint8_t> data) {
    return data.size() >= 2 && data[0] == kMagic[0] && data[1] == kMagic[1];
}

bool Inflate(std::span<const std::uint8_t> compressed, const InflatedPrefix& prefix,
             FileBytes& inflated, Failure* failure, std::uint64_t limit) {
    auto fail = [&](Failure why) {
        inflated.clear();
        inflated.shrink_to_fit();
        if (failure != nullptr) *failure = why;
        return false;
    };
    inflated.clear();
    if (!IsGzip(compressed)) return fail(Failure::CompressedCorrupt);

    // A foreign stream is refused on its first bytes, before anything sizeable is allocated.
    std::size_t got = 0;
    {
        std::vector<std::uint8_t> first(prefix.size);
        GzipReader reader(compressed);
        if (Failure why = reader.Read(first.data(), first.size(), got); why != Failure::None) {
            return fail(why);
        }
        if (!prefix.accepts(std::span(first.data(), got))) return fail(Failure::WrongSignature);
    }

    // The trailer's size (modulo 2^32) is the whole size when there is one member, as there
    // nearly always is. It is believed at once up to twice the compressed size (waypoint
    // files shrink to about a half), beyond that only within one doubling of what has
    // inflated: a sound file ends in a buffer of its exact size, and a lying one costs no
    // more than the truth, the buffer growing with the data, never past twice what it holds.
    std::uint64_t hint = 0;
    if (compressed.size() >= kSmallestMember) {
        const std::uint8_t* size = compressed.data() + compressed.size() - 4;
        hint = size[0] | size[1] << 8 | size[2] << 16 | std::uint64_t{size[3]} << 24;
    }
    if (hint <= limit && hint <= std::uint64_t{compressed.size()} * 2 &&
        !AllocateBytes(inflated, static_cast<std::size_t>(hint))) {
        return fail(Failure::OutOfMemory);
    }
    GzipReader reader(compressed);
    std::size_t size = 0;
    while (!reader.Finished()) {
        if (size == inflated.size()) {
            // A full buffer may hold the whole stream, its end not read yet.
            std::uint8_t byte = 0;
            if (Failure why = reader.Read(&byte, 1, got); why != Failure::None) {
                return fail(why);
            }
            if (got == 0) break;
            if (size >= limit) return fail(Failure::InflatedTooLarge);
            if (size > reader.Consumed() * kMaxTrustedRatio + kChunk) break;
            std::uint64_t next = size == 0 ? kChunk : std::uint64_t{size} * 2;
            if (hint > size && hint <= next) next = hint;
            FileBytes bigger;
            if (!AllocateBytes(bigger, static_cast<std::size_t>(std::min(next, limit)))) {
                return fail(Failure::OutOfMemory);
            }
            std::copy_n(inflated.data(), size, bigger.data());
            bigger[size++] = byte;
            inflated.swap(bigger);
        }
        if (Failure why = reader.Read(inflated.data() + size, inflated.size() - size, got);
            why != Failure::None) {
            return fail(why);
        }
        size += got;
    }
    if (reader.Finished()) {
        inflated.resize(size);
        return true;
    }

    // Inflating far beyond its size, as a bomb does: the rest is only counted, so a bomb
    // costs no memory, and a sound stream is then inflated again into its exact size.
    std::uint64_t total = size + 1;  // and the byte just read
    inflated.clear();
    inflated.shrink_to_fit();
    std::vector<std::uint8_t> scratch(kChunk);
    while (!reader.Finished()) {
        auto room = static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, limit + 1 - total));
        if (Failure why = reader.Read(scratch.data(), room, got); why != Failure::None) {
            return fail(why);
        }
        total += got;
        if (total > limit) return fail(Failure::InflatedTooLarge);
    }
    if (!AllocateBytes(inflated, static_cast<std::size_t>(total))) {
        return fail(Failure::OutOfMemory);
    }
    GzipReader again(compressed);
    if (again.Read(inflated.data(), inflated.size(), got) != Failure::None || got != total) {
        return fail(Failure::CompressedCorrupt);  // the same bytes inflated differently: cannot be
    }
    return true;
}

struct GzipSource::Stream {
    explicit Stream(ByteSource& source) : compressed(source) {
        ready = inflateInit2(&stream, kGzipOnly) == Z_OK;
    }
    ~Stream() {
        if (ready) inflateEnd(&stream);
    }
    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;

    // Tops the input up to at least `wanted` bytes where the source has them.
    bool Fill(std::size_t wanted) {
        while (stream.avail_in < wanted && !sourceEnded) {
            if (stream.avail_in > 0 && stream.next_in != input.data()) {
                std::memmove(input.data(), stream.next_in, stream.avail_in);
            }
            stream.next_in = input.data();
            std::size_t got = 0;
            if (!compressed.Read(input.data() + stream.avail_in, input.size() - stream.avail_in,
                                 got)) {
                return false;
            }
            if (got == 0) sourceEnded = true;
            stream.avail_in += static_cast<uInt>(got);
        }
        return true;
    }

    ByteSource& compressed;
    z_stream stream{};
    std::vector<std::uint8_t> input = std::vector<std::uint8_t>(kChunk);
    bool ready = false;
    bool sourceEnded = false;
    bool finished = false;
    std::uint64_t inflated = 0;
};

GzipSource::GzipSource(ByteSource& compressed, std::uint64_t limit)
    : stream_(std::make_unique<Stream>(compressed)), limit_(limit) {}

GzipSource::~GzipSource() = default;

bool GzipSource::Read(std::uint8_t* out, std::size_t size, std::size_t& got) {
    got = 0;
    auto fail = [this](Failure why) {
        if (failure == Failure::None) failure = why;
        return false;
    };
    if (failure != Failure::None) return false;
    Stream& s = *stream_;
    if (!s.ready) return fail(Failure::OutOfMemory);
    while (got == 0 && size > 0 && !s.finished) {
        if (!s.Fill(1)) {
            cause = s.compressed.cause;
            return fail(s.compressed.failure);
        }
        s.stream.next_out = out;
        s.stream.avail_out = static_cast<uInt>(std::min(size, kMaxPiece));
        const uInt room = s.stream.avail_out;
        const int result = inflate(&s.stream, Z_NO_FLUSH);
        got = room - s.stream.avail_out;
        s.inflated += got;
        if (s.inflated > limit_) return fail(Failure::InflatedTooLarge);
        switch (result) {
            case Z_OK:
                break;
            case Z_STREAM_END:
                // Another member may follow; anything else after the last is ignored.
                if (!s.Fill(2)) {
                    cause = s.compressed.cause;
                    return fail(s.compressed.failure);
                }
                if (IsGzip(std::span(s.stream.next_in, s.stream.avail_in))) {
                    if (inflateReset(&s.stream) != Z_OK) return fail(Failure::CompressedCorrupt);
                } else {
                    s.finished = true;
                }
                break;
            case Z_BUF_ERROR:  // no progress: the input ran out inside a member
                if (s.stream.avail_in == 0 && s.sourceEnded) {
                    return fail(Failure::CompressedTruncated);
                }
                break;
            case Z_MEM_ERROR:
                return fail(Failure::OutOfMemory);
            default:
                return fail(Failure::CompressedCorrupt);
        }
    }
    return true;
}

}  // namespace quendra
