// Paths as the dialogs and the command line hand them over: UTF-8 text on Windows, the
// file system's own bytes elsewhere.
#pragma once

#include <filesystem>
#include <string>

#ifdef _WIN32
#include "platform/utf16.h"
#endif

namespace quendra {

inline std::filesystem::path PathFromText(const std::string& text) {
#ifdef _WIN32
    return std::filesystem::path(WideFromUtf8(text));
#else
    return std::filesystem::path(text);
#endif
}

inline std::string TextFromPath(const std::filesystem::path& path) {
#ifdef _WIN32
    return Utf8FromWide(path.native());
#else
    return path.string();
#endif
}

}  // namespace quendra
