// Sizing file images and record arrays in large memory (platform/large_memory.h), where
// running out is an ordinary failure, not a crash.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <type_traits>

#include "platform/large_memory.h"

namespace quendra {

// Sizes `data` for `size` bytes about to be filled in.
inline bool AllocateBytes(FileBytes& data, std::size_t size) {
    try {
        data.resize(size);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

// `count` records for the caller to fill in whole, or null when memory runs out. Left
// untouched here, so each page is first written with its records rather than zeros.
template <class Record>
LargeArray<Record> AllocateRecords(std::size_t count) {
    static_assert(std::is_trivial_v<Record>, "the caller's stores are its first");
    if (count > SIZE_MAX / sizeof(Record)) return nullptr;
    return LargeArray<Record>(static_cast<Record*>(AllocateLarge(count * sizeof(Record))));
}

// `count` zero-filled records, or null when memory runs out.
template <class Record>
LargeArray<Record> AllocateZeroed(std::size_t count) {
    LargeArray<Record> records = AllocateRecords<Record>(count);
    if (records) std::memset(static_cast<void*>(records.get()), 0, count * sizeof(Record));
    return records;
}

}  // namespace quendra
