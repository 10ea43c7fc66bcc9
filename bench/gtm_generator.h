// Large, realistic GTM files for benchmarks: Big5 and ASCII names, comments of varied
// length, icons across the symbol table, positions worldwide. The same count and seed
// always give the same bytes, so runs on different days measure the same file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

namespace quendra::bench {

std::vector<std::uint8_t> MakeGtm(std::uint32_t waypoints, std::uint64_t seed = 1);

// Writes MakeGtm's bytes to `path`.
bool WriteGtmFile(const std::filesystem::path& path, std::uint32_t waypoints,
                  std::uint64_t seed = 1);

}  // namespace quendra::bench
