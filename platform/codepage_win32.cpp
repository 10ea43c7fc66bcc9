// The Windows side of platform/codepage.h: MultiByteToWideChar with the code page itself,
// then the one UTF-16 to UTF-8 step.
#include "platform/codepage.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/utf16.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace quendra {

const char* const kDefaultCodePage = "";

struct CodePageDecoder::Converter {
    UINT codePage = 0;
    UINT maxCharSize = 1;
    DWORD flags = 0;
    bool controlsAreText = false;
};

namespace {

// "CP950", "950", "UTF-8"; empty for the system's ANSI code page.
bool ParseCodePage(const std::string& name, UINT& codePage) {
    if (name.empty()) {
        codePage = GetACP();
        return true;
    }
    if (_stricmp(name.c_str(), "UTF-8") == 0 || _stricmp(name.c_str(), "UTF8") == 0) {
        codePage = CP_UTF8;
        return true;
    }
    const char* digits = name.c_str();
    if (_strnicmp(digits, "CP", 2) == 0) digits += 2;
    char* end = nullptr;
    unsigned long number = std::strtoul(digits, &end, 10);
    if (end == digits || *end != '\0' || number == 0 || number > 65535) return false;
    codePage = static_cast<UINT>(number);
    return true;
}

// Windows maps the bytes an ANSI code page leaves undefined to the C1 controls. They are
// no text a waypoint name can hold, so they show as U+FFFD like any other bad byte.
bool HasUndefined(const wchar_t* wide, int length, bool controlsAreText) {
    if (controlsAreText) return false;
    for (int i = 0; i < length; ++i) {
        if (wide[i] >= 0x80 && wide[i] <= 0x9F) return true;
    }
    return false;
}

}  // namespace

CodePageDecoder::CodePageDecoder() = default;
CodePageDecoder::~CodePageDecoder() = default;

bool CodePageDecoder::Open(const std::string& codePage) {
    converter_.reset();
    Converter converter;
    CPINFO info{};
    if (!ParseCodePage(codePage, converter.codePage) || !GetCPInfo(converter.codePage, &info)) {
        return false;
    }
    converter.maxCharSize = info.MaxCharSize;
    // A few code pages (UTF-7, the ISO 2022 family) refuse the strict flag.
    converter.flags = MB_ERR_INVALID_CHARS;
    wchar_t probe[2];
    if (MultiByteToWideChar(converter.codePage, converter.flags, "A", 1, probe, 2) == 0 &&
        GetLastError() == ERROR_INVALID_FLAGS) {
        converter.flags = 0;
    }
    // In UTF-8 and ISO 8859 the C1 controls are real characters.
    converter.controlsAreText = converter.codePage == CP_UTF8 ||
                                (converter.codePage >= 28591 && converter.codePage <= 28605);
    converter_ = std::make_unique<Converter>(converter);
    return true;
}

std::string CodePageDecoder::Decode(std::string_view bytes) {
    std::string out;
    if (!converter_ || bytes.empty()) return out;
    const auto [codePage, maxCharSize, flags, controlsAreText] = *converter_;
    constexpr std::size_t kWholeLimit = 1 << 20;
    if (bytes.size() <= kWholeLimit) {
        int size = static_cast<int>(bytes.size());
        int length = MultiByteToWideChar(codePage, flags, bytes.data(), size, nullptr, 0);
        if (length > 0) {
            std::wstring wide(static_cast<std::size_t>(length), L'\0');
            length = MultiByteToWideChar(codePage, flags, bytes.data(), size, wide.data(), length);
            if (length > 0 && !HasUndefined(wide.data(), length, controlsAreText)) {
                return Utf8FromWide({wide.data(), static_cast<std::size_t>(length)});
            }
        }
    }
    // Damaged text: one character at a time, so a bad sequence costs only its first byte.
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<BYTE>(bytes[i]);
        // Double-byte code pages say which bytes lead a pair; for the others (UTF-8,
        // GB18030) the shortest sequence that decodes is the character.
        std::size_t shortest = 1;
        std::size_t longest = maxCharSize;
        if (maxCharSize == 2) shortest = longest = IsDBCSLeadByteEx(codePage, lead) ? 2 : 1;
        bool decoded = false;
        for (std::size_t used = shortest; used <= longest && i + used <= bytes.size(); ++used) {
            wchar_t wide[4];
            int length = MultiByteToWideChar(codePage, flags, bytes.data() + i,
                                             static_cast<int>(used), wide, 4);
            if (length > 0 && !HasUndefined(wide, length, controlsAreText)) {
                out += Utf8FromWide({wide, static_cast<std::size_t>(length)});
                i += used;
                decoded = true;
                break;
            }
        }
        if (!decoded) {
            out += kReplacement;
            i += 1;
        }
    }
    return out;
}

struct CodePageEncoder::Converter {
    UINT codePage = 0;
    DWORD flags = 0;
    bool reportsDefault = true;  // whether the code page tells when it fell back to '?'
};

CodePageEncoder::CodePageEncoder() = default;
CodePageEncoder::~CodePageEncoder() = default;

bool CodePageEncoder::Open(const std::string& codePage) {
    converter_.reset();
    Converter converter;
    CPINFO info{};
    if (!ParseCodePage(codePage, converter.codePage) || !GetCPInfo(converter.codePage, &info)) {
        return false;
    }
    // UTF-8 and UTF-7 take neither flags nor a default character; a few others (the ISO 2022
    // family, symbol) refuse one or the other, as the probes find.
    if (converter.codePage != CP_UTF8 && converter.codePage != CP_UTF7) {
        char bytes[16];
        BOOL usedDefault = FALSE;
        converter.flags = WC_NO_BEST_FIT_CHARS;
        if (WideCharToMultiByte(converter.codePage, converter.flags, L"A", 1, bytes, sizeof bytes,
                                nullptr, &usedDefault) == 0 &&
            GetLastError() == ERROR_INVALID_FLAGS) {
            converter.flags = 0;
        }
        converter.reportsDefault =
            WideCharToMultiByte(converter.codePage, converter.flags, L"A", 1, bytes, sizeof bytes,
                                nullptr, &usedDefault) != 0;
    } else {
        converter.reportsDefault = false;
    }
    converter_ = std::make_unique<Converter>(converter);
    return true;
}

bool CodePageEncoder::Encode(std::string_view character, std::string& out) {
    if (!converter_ || character.empty() || character.size() > 4) return false;
    const auto [codePage, flags, reportsDefault] = *converter_;
    wchar_t wide[2];  // a supplementary character is a surrogate pair
    const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, character.data(),
                                           static_cast<int>(character.size()), wide, 2);
    if (length <= 0 || (length == 2 && !IS_SURROGATE_PAIR(wide[0], wide[1]))) return false;
    char bytes[16];
    BOOL usedDefault = FALSE;
    const int size = WideCharToMultiByte(codePage, flags, wide, length, bytes, sizeof bytes,
                                         nullptr, reportsDefault ? &usedDefault : nullptr);
    if (size <= 0 || usedDefault) return false;
    // Where the code page cannot say it guessed, the bytes must give the character back.
    if (!reportsDefault && codePage != CP_UTF8) {
        wchar_t back[4];
        if (MultiByteToWideChar(codePage, 0, bytes, size, back, 4) != length ||
            !std::equal(wide, wide + length, back)) {
            return false;
        }
    }
    out.append(bytes, static_cast<std::size_t>(size));
    return true;
}

}  // namespace quendra
