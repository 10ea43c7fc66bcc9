// Display decoding of the raw code-page bytes that waypoint names are stored in.
#pragma once

#include <string>
#include <string_view>

namespace quendra {

// The code page names are decoded from when none is given: Big5 as Traditional-Chinese
// Windows writes it. On Windows an empty name means the system's ANSI code page.
#ifdef _WIN32
inline constexpr const char* kDefaultCodePage = "";
#else
inline constexpr const char* kDefaultCodePage = "CP950";
#endif

// Turns code-page bytes into UTF-8 for display. A malformed or cut multi-byte sequence
// becomes U+FFFD and decoding goes on after it, so the rest of a line still shows.
class CodePageDecoder {
public:
    CodePageDecoder() = default;
    ~CodePageDecoder();
    CodePageDecoder(const CodePageDecoder&) = delete;
    CodePageDecoder& operator=(const CodePageDecoder&) = delete;

    // False when this platform does not know `codePage`.
    bool Open(const std::string& codePage);
    std::string Decode(std::string_view bytes);

private:
#ifdef _WIN32
    unsigned int codePage_ = 0;
    unsigned int maxCharSize_ = 1;
    unsigned long flags_ = 0;
    bool controlsAreText_ = false;
    bool open_ = false;
#else
    void* converter_ = nullptr;  // iconv_t
#endif
};

}  // namespace quendra
