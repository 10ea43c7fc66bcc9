// The bytes of a file held in memory.
#pragma once

#include <cstdint>
#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

namespace quendra {

// An allocator whose vectors grow without setting their new elements: a buffer that a read
// or an inflate fills in is written once, not zeroed first.
template <class T>
struct UninitializedAllocator : std::allocator<T> {
    template <class U>
    struct rebind {
        using other = UninitializedAllocator<U>;
    };
    UninitializedAllocator() = default;
    template <class U>
    UninitializedAllocator(const UninitializedAllocator<U>&) noexcept {}
    template <class U>
    void construct(U* at) noexcept(std::is_nothrow_default_constructible_v<U>) {
        ::new (static_cast<void*>(at)) U;
    }
    template <class U, class... Args>
    void construct(U* at, Args&&... args) {
        ::new (static_cast<void*>(at)) U(std::forward<Args>(args)...);
    }
};

// A file's bytes in memory, as read or inflated.
using FileBytes = std::vector<std::uint8_t, UninitializedAllocator<std::uint8_t>>;

}  // namespace quendra
