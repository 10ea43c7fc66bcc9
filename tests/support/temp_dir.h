// A fresh folder per test, removed afterwards, and small file helpers around it.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "platform/path_text.h"

namespace quendra::testing {

class TempDir {
public:
    explicit TempDir(const std::filesystem::path& in = std::filesystem::temp_directory_path()) {
        std::random_device random;
        path_ = in / ("quendra-test-" + std::to_string(random()) + std::to_string(random()));
        std::filesystem::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::filesystem::path& name) const {
        return path_ / name;
    }

    // Everything in the folder, or in `sub` of it, by name, sorted: shows stray temporary files.
    std::vector<std::string> Names(const std::filesystem::path& sub = {}) const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(path_ / sub)) {
            names.push_back(TextFromPath(entry.path().filename()));
        }
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    std::filesystem::path path_;
};

inline void WriteBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

inline std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A little-endian field of a file's bytes (as the formats and the tests' machines are); 0
// past the end.
template <typename T>
T Field(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    T value{};
    if (bytes.size() >= at + sizeof value) std::memcpy(&value, &bytes[at], sizeof value);
    return value;
}

}  // namespace quendra::testing
