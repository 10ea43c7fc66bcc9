// gzip data made in code with zlib: members as gzip writes them, and gzip bombs.
#pragma once

#define ZLIB_CONST
#include <zlib.h>

#include <cstdint>
#include <span>
#include <vector>

namespace quendra::testing {

namespace gzip_detail {

// Raw deflate data for `data` from a fresh stream: it refers to nothing before it, and with
// Z_FULL_FLUSH it ends on a byte boundary without a final block, so such pieces can follow
// one another inside one member; Z_FINISH makes the last one.
inline std::vector<std::uint8_t> DeflatePiece(std::span<const std::uint8_t> data, int flush) {
    z_stream stream{};
    deflateInit2(&stream, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::vector<std::uint8_t> out(deflateBound(&stream, data.size()) + 64);
    stream.next_in = data.data();
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = out.data();
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, flush);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

inline void PutU32(std::vector<std::uint8_t>& out, std::uint64_t value) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(value >> 8 * i));
}

}  // namespace gzip_detail

// One gzip member holding `data`.
inline std::vector<std::uint8_t> Gzip(std::span<const std::uint8_t> data, int level = 6) {
    z_stream stream{};
    deflateInit2(&stream, level, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::vector<std::uint8_t> out(deflateBound(&stream, data.size()));
    stream.next_in = data.data();
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = out.data();
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

// A sound member that inflates to `head` and then `zeros` zero bytes, gigabytes if asked:
// one deflated mebibyte of zeros repeated, about a kilobyte for each.
inline std::vector<std::uint8_t> GzipBomb(std::span<const std::uint8_t> head, std::uint64_t zeros) {
    using gzip_detail::DeflatePiece;
    constexpr std::size_t kBlock = 1 << 20;
    const std::vector<std::uint8_t> block(kBlock, 0);
    std::vector<std::uint8_t> out = {0x1F, 0x8B, 8, 0, 0, 0, 0, 0, 0, 3};
    auto append = [&out](const std::vector<std::uint8_t>& piece) {
        out.insert(out.end(), piece.begin(), piece.end());
    };
    append(DeflatePiece(head, Z_FULL_FLUSH));
    uLong crc = crc32(0, head.data(), static_cast<uInt>(head.size()));
    const std::vector<std::uint8_t> whole = DeflatePiece(block, Z_FULL_FLUSH);
    const uLong wholeCrc = crc32(0, block.data(), kBlock);
    for (std::uint64_t n = zeros / kBlock; n > 0; --n) {
        append(whole);
        crc = crc32_combine(crc, wholeCrc, kBlock);
    }
    const auto rest = static_cast<std::size_t>(zeros % kBlock);
    append(DeflatePiece(std::span(block.data(), rest), Z_FULL_FLUSH));
    crc = crc32_combine(crc, crc32(0, block.data(), static_cast<uInt>(rest)),
                        static_cast<z_off_t>(rest));
    append(DeflatePiece({}, Z_FINISH));
    gzip_detail::PutU32(out, crc);
    gzip_detail::PutU32(out, head.size() + zeros);
    return out;
}

}  // namespace quendra::testing
