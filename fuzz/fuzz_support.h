// A broken promise in a harness aborts, which libFuzzer (or the replay driver's test)
// reports together with the input that caused it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>

#include "platform/codepage.h"
#include "platform/failure.h"
#include "waypoints/display_line.h"

#define FUZZ_CHECK(condition)                                                                  \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                      \
        }                                                                                      \
    } while (0)

namespace quendra::fuzz {

// Loads the bytes into `set` and holds it to what both readers promise: the result agrees
// with the error, and a refused file keeps no records. Each record's display line, decoded
// as the lists show it, goes to `line`.
template <class WaypointSet, class Check>
void LoadAndCheck(std::span<const std::uint8_t> bytes, WaypointSet& set, Check line) {
    static CodePageDecoder decoder;
    static const bool decoderOpen = decoder.Open("CP950");
    FUZZ_CHECK(decoderOpen);
    bool loaded = set.LoadFromBytes(bytes);
    FUZZ_CHECK(loaded == (set.error == Failure::None));
    FUZZ_CHECK((set.records != nullptr) == (loaded && set.count > 0));
    for (std::int32_t i = 0; loaded && i < set.count; ++i) {
        FUZZ_CHECK(set.records[i].name[10] == '\0');
        const std::string shown = DisplayLine(set.records[i]);
        decoder.Decode(shown);
        line(shown);
    }
}

}  // namespace quendra::fuzz
