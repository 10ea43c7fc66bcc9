#include "platform/large_memory.h"

#include <cstdlib>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace quendra {

namespace {

#if defined(__linux__) && defined(MADV_HUGEPAGE)
constexpr std::size_t kHugePage = std::size_t{2} << 20;
// From here on one huge page, zeroed once, costs less than the small pages' faults.
constexpr std::size_t kHugeFrom = kHugePage / 8;
#endif

}  // namespace

void* AllocateLarge(std::size_t size) noexcept {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    if (size >= kHugeFrom) {
        if (size > SIZE_MAX - kHugePage) return nullptr;
        // Whole huge pages, aligned, and none of it touched before the advice: the
        // allocator's own bookkeeping lies before the first byte.
        std::size_t whole = (size + kHugePage - 1) & ~(kHugePage - 1);
        void* memory = std::aligned_alloc(kHugePage, whole);
        if (memory != nullptr) ::madvise(memory, whole, MADV_HUGEPAGE);  // a hint
        return memory;
    }
#endif
    return std::malloc(size == 0 ? 1 : size);
}

void FreeLarge(void* memory) noexcept {
    std::free(memory);
}

}  // namespace quendra
