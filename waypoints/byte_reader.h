// Little-endian reads that never leave the data they were given.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace quendra {

class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> data) : data_(data) {}

    std::size_t size() const { return data_.size(); }
    // Whether `length` bytes start at `position` inside the data.
    bool Has(std::size_t position, std::size_t length) const {
        return position <= data_.size() && length <= data_.size() - position;
    }
    bool Matches(std::size_t position, const void* bytes, std::size_t length) const {
        return Has(position, length) && std::memcmp(data_.data() + position, bytes, length) == 0;
    }
    // The callers check Has() first; these assume the bytes are there.
    const std::uint8_t* At(std::size_t position) const { return data_.data() + position; }
    std::uint16_t U16(std::size_t position) const { return Little<std::uint16_t>(position); }
    std::int16_t I16(std::size_t position) const {
        return static_cast<std::int16_t>(U16(position));
    }
    std::int32_t I32(std::size_t position) const {
        return static_cast<std::int32_t>(U32(position));
    }
    std::uint32_t U32(std::size_t position) const { return Little<std::uint32_t>(position); }
    std::uint64_t U64(std::size_t position) const { return Little<std::uint64_t>(position); }
    float F32(std::size_t position) const {
        std::uint32_t bits = U32(position);
        float value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    double F64(std::size_t position) const {
        std::uint64_t bits = U64(position);
        double value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }

private:
    // On a little-endian machine the stored bytes are already the value.
    template <class Unsigned>
    Unsigned Little(std::size_t position) const {
        std::span<const std::uint8_t> bytes = data_.subspan(position, sizeof(Unsigned));
        Unsigned value = 0;
        if constexpr (std::endian::native == std::endian::little) {
            std::memcpy(&value, bytes.data(), sizeof value);
        } else {
            for (std::size_t i = 0; i < sizeof value; ++i) {
                value = static_cast<Unsigned>(value | Unsigned{bytes[i]} << (8 * i));
            }
        }
        return value;
    }

    std::span<const std::uint8_t> data_;
};

}  // namespace quendra
