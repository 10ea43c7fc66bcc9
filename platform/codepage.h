// Display decoding of the raw code-page bytes that waypoint names are stored in.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace quendra {

// The code page names are decoded from when none is given: Big5 as Traditional-Chinese
// Windows writes it. On Windows it is empty, which means the system's ANSI code page.
extern const char* const kDefaultCodePage;

// Turns code-page bytes into UTF-8 for display. A malformed or cut multi-byte sequence
// becomes U+FFFD and decoding goes on after it, so the rest of a line still shows.
class CodePageDecoder {
public:
    CodePageDecoder();
    ~CodePageDecoder();
    CodePageDecoder(const CodePageDecoder&) = delete;
    CodePageDecoder& operator=(const CodePageDecoder&) = delete;

    // False when this platform does not know `codePage`.
    bool Open(const std::string& codePage);
    std::string Decode(std::string_view bytes);

private:
    static constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD in UTF-8

    // What the platform's own converter needs, made once by Open: an iconv descriptor, or
    // a Windows code page and what it allows.
    struct Converter;
    std::unique_ptr<Converter> converter_;  // none until Open succeeds
};

}  // namespace quendra
