#include "platform/codepage.h"

#include <cerrno>
#include <cstdlib>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstring>
#else
#include <iconv.h>
#endif

namespace quendra {

namespace {
constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD in UTF-8
}

#ifdef _WIN32

namespace {

// "CP950", "950", "UTF-8"; empty for the system's ANSI code page.
bool ParseCodePage(const std::string& name, unsigned int& codePage) {
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
    codePage = static_cast<unsigned int>(number);
    return true;
}

void AppendUtf8(const wchar_t* wide, int length, std::string& out) {
    int size = WideCharToMultiByte(CP_UTF8, 0, wide, length, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return;
    std::size_t at = out.size();
    out.resize(at + static_cast<std::size_t>(size));
    WideCharToMultiByte(CP_UTF8, 0, wide, length, out.data() + at, size, nullptr, nullptr);
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

CodePageDecoder::~CodePageDecoder() = default;

bool CodePageDecoder::Open(const std::string& codePage) {
    open_ = false;
    unsigned int number = 0;
    CPINFO info{};
    if (!ParseCodePage(codePage, number) || !GetCPInfo(number, &info)) return false;
    codePage_ = number;
    maxCharSize_ = info.MaxCharSize;
    // A few code pages (UTF-7, the ISO 2022 family) refuse the strict flag.
    flags_ = MB_ERR_INVALID_CHARS;
    wchar_t probe[2];
    if (MultiByteToWideChar(codePage_, flags_, "A", 1, probe, 2) == 0 &&
        GetLastError() == ERROR_INVALID_FLAGS) {
        flags_ = 0;
    }
    // In UTF-8 and ISO 8859 the C1 controls are real characters.
    controlsAreText_ = codePage_ == CP_UTF8 || (codePage_ >= 28591 && codePage_ <= 28605);
    open_ = true;
    return true;
}

std::string CodePageDecoder::Decode(std::string_view bytes) {
    std::string out;
    if (!open_ || bytes.empty()) return out;
    constexpr std::size_t kWholeLimit = 1 << 20;
    if (bytes.size() <= kWholeLimit) {
        int size = static_cast<int>(bytes.size());
        int length = MultiByteToWideChar(codePage_, flags_, bytes.data(), size, nullptr, 0);
        if (length > 0) {
            std::wstring wide(static_cast<std::size_t>(length), L'\0');
            length =
                MultiByteToWideChar(codePage_, flags_, bytes.data(), size, wide.data(), length);
            if (length > 0 && !HasUndefined(wide.data(), length, controlsAreText_)) {
                AppendUtf8(wide.data(), length, out);
                return out;
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
        std::size_t longest = maxCharSize_;
        if (maxCharSize_ == 2) shortest = longest = IsDBCSLeadByteEx(codePage_, lead) ? 2 : 1;
        bool decoded = false;
        for (std::size_t used = shortest; used <= longest && i + used <= bytes.size(); ++used) {
            wchar_t wide[4];
            int length = MultiByteToWideChar(codePage_, flags_, bytes.data() + i,
                                             static_cast<int>(used), wide, 4);
            if (length > 0 && !HasUndefined(wide, length, controlsAreText_)) {
                AppendUtf8(wide, length, out);
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

#else

namespace {
iconv_t ToIconv(void* converter) {
    return static_cast<iconv_t>(converter);
}
bool IsOpen(void* converter) {
    return converter != nullptr;
}
}  // namespace

CodePageDecoder::~CodePageDecoder() {
    if (IsOpen(converter_)) iconv_close(ToIconv(converter_));
}

bool CodePageDecoder::Open(const std::string& codePage) {
    if (IsOpen(converter_)) iconv_close(ToIconv(converter_));
    converter_ = nullptr;
    iconv_t converter = iconv_open("UTF-8", codePage.empty() ? kDefaultCodePage : codePage.c_str());
    if (converter == reinterpret_cast<iconv_t>(-1)) return false;
    converter_ = converter;
    return true;
}

std::string CodePageDecoder::Decode(std::string_view bytes) {
    std::string out;
    if (!IsOpen(converter_)) return out;
    iconv_t converter = ToIconv(converter_);
    iconv(converter, nullptr, nullptr, nullptr, nullptr);

    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    char chunk[256];
    while (true) {
        char* outPtr = chunk;
        std::size_t outLeft = sizeof chunk;
        std::size_t result = iconv(converter, inLeft ? &in : nullptr, &inLeft, &outPtr, &outLeft);
        int error = errno;
        out.append(chunk, static_cast<std::size_t>(outPtr - chunk));
        if (result != static_cast<std::size_t>(-1)) {
            if (inLeft == 0) break;
            continue;
        }
        if (error == E2BIG) continue;
        // EILSEQ: a byte that starts no valid sequence here; EINVAL: a sequence cut by
        // the end of the text. Either way the byte shows as U+FFFD and decoding resumes.
        out += kReplacement;
        if (error != EILSEQ && error != EINVAL) break;
        ++in;
        --inLeft;
        iconv(converter, nullptr, nullptr, nullptr, nullptr);
        if (inLeft == 0) break;
    }
    return out;
}

#endif

}  // namespace quendra
