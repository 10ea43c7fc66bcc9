#include "platform/utf16.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace quendra {

// No flags: a sequence that does not convert becomes U+FFFD instead of failing the call.
std::wstring WideFromUtf8(std::string_view text) {
    std::wstring wide;
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
    if (length <= 0) return wide;
    wide.resize(static_cast<std::size_t>(length));
    MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), length);
    return wide;
}

std::string Utf8FromWide(std::wstring_view text) {
    std::string utf8;
    const int size = static_cast<int>(text.size());
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    if (length <= 0) return utf8;
    utf8.resize(static_cast<std::size_t>(length));
    WideCharToMultiByte(CP_UTF8, 0, text.data(), size, utf8.data(), length, nullptr, nullptr);
    return utf8;
}

}  // namespace quendra
