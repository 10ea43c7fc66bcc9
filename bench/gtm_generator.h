// Large, realistic GTM files for benchmarks: Big5 and ASCII names, comments of varied
// length, icons across the symbol table, positions worldwide. The same count and seed
// always give the same bytes, so runs on different days measure the same file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

namespace quendra::bench {

std::vector<std::uint8_t> MakeGtm(std::uint32_t waypoints, std::uint64_t seed = 1);

// Six Taiwanese peaks with Big5 names in `datum` (217 WGS84, 81 Hu-Tzu-Shan), for
// screenshots, trying the dialog by hand and the Windows end-to-end run.
std::vector<std::uint8_t> MakeSampleGtm(std::uint16_t datum);

bool WriteBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);

}  // namespace quendra::bench
