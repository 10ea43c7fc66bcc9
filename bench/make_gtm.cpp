// make_gtm COUNT OUTPUT.gtm [SEED]: writes a GTM file of COUNT waypoints for benchmarks.
// make_gtm --sample [--datum CODE] OUTPUT.gtm: six Taiwanese peaks with Big5 names, for
// screenshots and trying the dialog by hand.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

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
    using namespace quendra::bench;
    const bool sample = argc > 1 && std::strcmp(argv[1], "--sample") == 0;
    unsigned long long count = 0, seed = 1, datum = 217;
    const bool valid = sample ? argc == 3 || (argc == 5 && std::strcmp(argv[2], "--datum") == 0 &&
                                              ParseNumber(argv[3], 65535, datum))
                              : argc >= 3 && argc <= 4 && ParseNumber(argv[1], 0x7FFFFFFF, count) &&
                                    (argc == 3 || ParseNumber(argv[3], UINT64_MAX, seed));
    if (!valid) {
        std::fprintf(stderr,
                     "usage: make_gtm COUNT OUTPUT.gtm [SEED]\n"
                     "       make_gtm --sample [--datum CODE] OUTPUT.gtm\n");
        return 2;
    }
    const char* output = sample ? argv[argc - 1] : argv[2];
    if (!WriteBytes(output, sample ? MakeSampleGtm(static_cast<std::uint16_t>(datum))
                                   : MakeGtm(static_cast<std::uint32_t>(count), seed))) {
        std::fprintf(stderr, "make_gtm: cannot write %s\n", output);
        return 1;
    }
    return 0;
}
