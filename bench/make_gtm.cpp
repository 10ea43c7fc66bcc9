// make_gtm COUNT OUTPUT.gtm [SEED]: writes a GTM file of COUNT waypoints for benchmarks.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "bench/gtm_generator.h"

namespace {

bool ParseNumber(const char* text, unsigned long long limit, unsigned long long& value) {
    char* end = nullptr;
    errno = 0;
    value = std::strtoull(text, &end, 10);
    return end != text && *end == '\0' && errno == 0 && value <= limit;
}

}  // namespace

int main(int argc, char** argv) {
    unsigned long long count = 0;
    unsigned long long seed = 1;
    if (argc < 3 || argc > 4 || !ParseNumber(argv[1], 0x7FFFFFFF, count) ||
        (argc == 4 && !ParseNumber(argv[3], UINT64_MAX, seed))) {
        std::fprintf(stderr, "usage: make_gtm COUNT OUTPUT.gtm [SEED]\n");
        return 2;
    }
    if (!quendra::bench::WriteGtmFile(argv[2], static_cast<std::uint32_t>(count), seed)) {
        std::fprintf(stderr, "make_gtm: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
