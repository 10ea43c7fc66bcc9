// Memory for large buffers: file images and record arrays. On Linux it lies on transparent
// huge pages from its first byte to its last, so that its first use faults once per 2 MiB
// rather than once per 4 KiB page: on a virtual machine a small page's fault can cost far
// more than zeroing the page.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

namespace quendra {

// `size` bytes, untouched, or null when memory runs out. Freed by FreeLarge.
void* AllocateLarge(std::size_t size) noexcept;
void FreeLarge(void* memory) noexcept;
// `memory` (from AllocateLarge or GrowLarge, or null) grown to `size` bytes, its contents
// kept, or null when memory runs out (`memory` then stays). A large block moves by having
// its pages mapped elsewhere, not copied, so growing costs no second copy of it.
void* GrowLarge(void* memory, std::size_t size) noexcept;

struct LargeDeleter {
    void operator()(void* memory) const noexcept { FreeLarge(memory); }
};

// An array of trivial records in large memory.
template <class Record>
using LargeArray = std::unique_ptr<Record[], LargeDeleter>;

// Allocates large memory, and grows vectors without setting their new elements: a buffer
// that a read or an inflate fills in is written once, not zeroed first.
template <class T>
struct LargeAllocator {
    using value_type = T;

    LargeAllocator() = default;
    template <class U>
    LargeAllocator(const LargeAllocator<U>&) noexcept {}

    T* allocate(std::size_t count) {
        if (count > SIZE_MAX / sizeof(T)) throw std::bad_array_new_length();
        void* memory = AllocateLarge(count * sizeof(T));
        if (memory == nullptr) throw std::bad_alloc();
        return static_cast<T*>(memory);
    }
    void deallocate(T* memory, std::size_t) noexcept { FreeLarge(memory); }

    template <class U>
    void construct(U* at) noexcept(std::is_nothrow_default_constructible_v<U>) {
        ::new (static_cast<void*>(at)) U;
    }
    template <class U, class... Args>
    void construct(U* at, Args&&... args) {
        ::new (static_cast<void*>(at)) U(std::forward<Args>(args)...);
    }

    friend bool operator==(const LargeAllocator&, const LargeAllocator&) noexcept { return true; }
};

// A file's bytes in memory, as read or inflated.
using FileBytes = std::vector<std::uint8_t, LargeAllocator<std::uint8_t>>;

// Sizes `data` for `size` bytes about to be filled in. Running out of memory for a file
// image is an ordinary failure, not a crash.
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
