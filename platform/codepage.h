// Display decoding of the raw code-page bytes that waypoint names are stored in.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace quendra {

// The code page names are decoded from when none is given: Big5 as Traditional-Chinese
// Windows writes it. On Windows it is empty, which means the system's ANSI code page.
extern const char* const kDefaultCodePage;

// The code page GPX names are written in, whatever the system's: Big5 as WTR devices read it.
inline constexpr const char* kGpxNameCodePage = "CP950";

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

// Turns UTF-8 text into code-page bytes one character at a time, so that whoever cuts a name
// to a number of bytes cuts it between characters.
class CodePageEncoder {
public:
    CodePageEncoder();
    ~CodePageEncoder();
    CodePageEncoder(const CodePageEncoder&) = delete;
    CodePageEncoder& operator=(const CodePageEncoder&) = delete;

    // False when this platform does not know `codePage` ("CP950", "950", "UTF-8", ...).
    bool Open(const std::string& codePage);
    // Appends the code-page bytes of `character`, one UTF-8 encoded code point, to `out`;
    // false, with nothing appended, when the code page has no such character.
    bool Encode(std::string_view character, std::string& out);

private:
    struct Converter;
    std::unique_ptr<Converter> converter_;  // none until Open succeeds
};

}  // namespace quendra
