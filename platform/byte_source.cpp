#include "platform/byte_source.h"

#include <algorithm>
#include <cstring>

namespace quendra {

bool MemorySource::Read(std::uint8_t* out, std::size_t size, std::size_t& got) {
    got = std::min(size, data_.size());
    if (got > 0) std::memcpy(out, data_.data(), got);
    data_ = data_.subspan(got);
    return true;
}

bool PrefixedSource::Read(std::uint8_t* out, std::size_t size, std::size_t& got) {
    if (given_ < prefix_.size()) {
        got = std::min(size, prefix_.size() - given_);
        std::memcpy(out, prefix_.data() + given_, got);
        given_ += got;
        return true;
    }
    const bool read = rest_.Read(out, size, got);
    failure = rest_.failure;
    cause = rest_.cause;
    return read;
}

bool ReadUpTo(ByteSource& source, std::size_t size, std::vector<std::uint8_t>& out) {
    out.resize(size);
    std::size_t filled = 0;
    while (filled < size) {
        std::size_t got = 0;
        if (!source.Read(out.data() + filled, size - filled, got)) {
            out.resize(filled);
            return false;
        }
        if (got == 0) break;
        filled += got;
    }
    out.resize(filled);
    return true;
}

}  // namespace quendra
