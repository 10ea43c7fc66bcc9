// Large buffers (file images, record arrays) fault in a page at a time; on Linux, asking
// for transparent huge pages cuts those faults by a factor of 512.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <type_traits>

#include "platform/file_bytes.h"

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace quendra {

// A hint for memory not touched yet; harmless where unsupported.
inline void PreferHugePages(void* memory, std::size_t size) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr std::uintptr_t kHugePage = 2u << 20;
    if (size < 2 * kHugePage) return;
    auto begin = (reinterpret_cast<std::uintptr_t>(memory) + kHugePage - 1) & ~(kHugePage - 1);
    auto end = (reinterpret_cast<std::uintptr_t>(memory) + size) & ~(kHugePage - 1);
    if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
    (void)memory;
    (void)size;
#endif
}

// Sizes `data` for `size` bytes about to be filled in. Running out of memory for a file
// image is an ordinary failure, not a crash.
inline bool AllocateBytes(FileBytes& data, std::size_t size) {
    try {
        data.reserve(size);
        PreferHugePages(data.data(), size);
        data.resize(size);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

// `count` records for the caller to fill in whole, or null when memory runs out. Left
// untouched here, so each page is first written with its records rather than zeros.
template <class Record>
std::unique_ptr<Record[]> AllocateRecords(std::size_t count) {
    static_assert(std::is_trivial_v<Record>, "the caller's stores are its first");
    std::unique_ptr<Record[]> records(new (std::nothrow) Record[count]);
    if (records) PreferHugePages(records.get(), count * sizeof(Record));
    return records;
}

// `count` zero-filled records, or null when memory runs out.
template <class Record>
std::unique_ptr<Record[]> AllocateZeroed(std::size_t count) {
    std::unique_ptr<Record[]> records = AllocateRecords<Record>(count);
    if (records) std::memset(static_cast<void*>(records.get()), 0, count * sizeof(Record));
    return records;
}

}  // namespace quendra
