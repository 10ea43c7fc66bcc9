// Paths as the dialogs and the command line hand them over: UTF-8 text on Windows, the
// file system's own bytes elsewhere.
#pragma once

#include <filesystem>
#include <string>

namespace quendra {

inline std::filesystem::path PathFromText(const std::string& text) {
#ifdef _WIN32
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
#else
    return std::filesystem::path(text);
#endif
}

inline std::string TextFromPath(const std::filesystem::path& path) {
#ifdef _WIN32
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
#else
    return path.string();
#endif
}

}  // namespace quendra
