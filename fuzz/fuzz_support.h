// A broken promise in a harness aborts, which libFuzzer (or the replay driver's test)
// reports together with the input that caused it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>

#include "platform/codepage.h"
#include "platform/line_sink.h"
#include "waypoints/file_error.h"

#define FUZZ_CHECK(condition)                                                                  \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                      \
        }                                                                                      \
    } while (0)

namespace quendra::fuzz {

// Loads the bytes into `set` and holds it to what both readers promise: the result agrees
// with the error, an accepted file lists one line per record (decoded for display here)
// and a refused one lists nothing and keeps no records.
template <class WaypointSet>
void LoadAndCheck(std::span<const std::uint8_t> bytes, WaypointSet& set, VectorLineSink& lines) {
    static CodePageDecoder decoder;
    static const bool decoderOpen = decoder.Open("CP950");
    FUZZ_CHECK(decoderOpen);
    bool loaded = set.LoadFromBytes(bytes, lines);
    FUZZ_CHECK(loaded == (set.error == FileError::None));
    FUZZ_CHECK(lines.lines.size() == (loaded ? static_cast<std::size_t>(set.count) : 0));
    FUZZ_CHECK((set.records != nullptr) == (loaded && set.count > 0));
    for (std::size_t i = 0; i < lines.lines.size(); ++i) {
        FUZZ_CHECK(set.records[i].name[10] == '\0');
        decoder.Decode(lines.lines[i]);
    }
}

}  // namespace quendra::fuzz
