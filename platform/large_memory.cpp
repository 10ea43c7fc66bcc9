#include "platform/large_memory.h"

#include <cstdlib>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace quendra {

namespace {

#if defined(__linux__) && defined(MADV_HUGEPAGE)
constexpr std::size_t kHugePage = std::size_t{2} << 20;
// From here on the alignment's cost in address space (up to one huge page before the
// buffer) is small beside it; smaller buffers get the huge pages that lie wholly inside.
constexpr std::size_t kAlignedFrom = 8 * kHugePage;
#endif

}  // namespace

void* AllocateLarge(std::size_t size) noexcept {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    if (size >= kAlignedFrom) {
        if (size > SIZE_MAX - kHugePage) return nullptr;
        // Whole huge pages, aligned, and none of it touched before the advice: the
        // allocator's own bookkeeping lies before the first byte.
        std::size_t whole = (size + kHugePage - 1) & ~(kHugePage - 1);
        void* memory = std::aligned_alloc(kHugePage, whole);
        if (memory != nullptr) ::madvise(memory, whole, MADV_HUGEPAGE);  // a hint
        return memory;
    }
    void* memory = std::malloc(size == 0 ? 1 : size);
    auto begin = (reinterpret_cast<std::uintptr_t>(memory) + kHugePage - 1) & ~(kHugePage - 1);
    auto end = (reinterpret_cast<std::uintptr_t>(memory) + size) & ~(kHugePage - 1);
    if (memory != nullptr && end > begin) {
        ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
    }
    return memory;
#else
    return std::malloc(size == 0 ? 1 : size);
#endif
}

void FreeLarge(void* memory) noexcept {
    std::free(memory);
}

void* GrowLarge(void* memory, std::size_t size) noexcept {
    // glibc moves a block it mapped on its own (as it maps large ones) with mremap.
    return std::realloc(memory, size == 0 ? 1 : size);
}

}  // namespace quendra
