// gzip data made in code with zlib: members as gzip writes them, and gzip bombs.
#pragma once

#define ZLIB_CONST
#include <zlib.h>

#include <cstdint>
#include <span>
#include <vector>

namespace quendra::testing {

// `data` deflated from a fresh stream: a gzip member (window bits 16 + MAX_WBITS) or raw
// deflate (-MAX_WBITS). Raw pieces ended by Z_FULL_FLUSH refer to nothing before them and
// end on a byte boundary without a final block, so they can follow one another inside one
// member; Z_FINISH makes the last one.
inline std::vector<std::uint8_t> Deflate(std::span<const std::uint8_t> data, int level,
                                         int windowBits, int flush) {
    z_stream stream{};
    deflateInit2(&stream, level, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY);
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

// One gzip member holding `data`.
inline std::vector<std::uint8_t> Gzip(std::span<const std::uint8_t> data, int level = 6) {
    return Deflate(data, level, 16 + MAX_WBITS, Z_FINISH);
}

// A sound member that inflates to `head` and then `zeros` zero bytes, gigabytes if asked:
// one deflated mebibyte of zeros repeated, about a kilobyte for each.
inline std::vector<std::uint8_t> GzipBomb(std::span<const std::uint8_t> head, std::uint64_t zeros) {
    constexpr std::size_t kBlock = 1 << 20;
    const std::vector<std::uint8_t> block(kBlock, 0);
    std::vector<std::uint8_t> out = {0x1F, 0x8B, 8, 0, 0, 0, 0, 0, 0, 3};
    auto append = [&out](std::span<const std::uint8_t> data, int flush) {
        const std::vector<std::uint8_t> piece = Deflate(data, 9, -MAX_WBITS, flush);
        out.insert(out.end(), piece.begin(), piece.end());
    };
    append(head, Z_FULL_FLUSH);
    uLong crc = crc32(0, head.data(), static_cast<uInt>(head.size()));
    const std::vector<std::uint8_t> whole = Deflate(block, 9, -MAX_WBITS, Z_FULL_FLUSH);
    const uLong wholeCrc = crc32(0, block.data(), kBlock);
    for (std::uint64_t n = zeros / kBlock; n > 0; --n) {
        out.insert(out.end(), whole.begin(), whole.end());
        crc = crc32_combine(crc, wholeCrc, kBlock);
    }
    const auto rest = static_cast<std::size_t>(zeros % kBlock);
    append(std::span(block.data(), rest), Z_FULL_FLUSH);
    crc = crc32_combine(crc, crc32(0, block.data(), static_cast<uInt>(rest)),
                        static_cast<z_off_t>(rest));
    append({}, Z_FINISH);
    for (std::uint64_t value : {std::uint64_t{crc}, head.size() + zeros}) {
        for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(value >> 8 * i));
    }
    return out;
}

}  // namespace quendra::testing
