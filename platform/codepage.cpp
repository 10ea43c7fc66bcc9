#include "platform/codepage.h"

#include <cerrno>
#include <cstdlib>

#ifdef _WIN32
#include <windows.h>
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
        codePage = CP_ACP;
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
    CPINFO info;
    return GetCPInfo(codePage, &info) != 0;
}

void AppendUtf8(const wchar_t* wide, int length, std::string& out) {
    int size = WideCharToMultiByte(CP_UTF8, 0, wide, length, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return;
    std::size_t at = out.size();
    out.resize(at + static_cast<std::size_t>(size));
    WideCharToMultiByte(CP_UTF8, 0, wide, length, out.data() + at, size, nullptr, nullptr);
}

}  // namespace

CodePageDecoder::~CodePageDecoder() = default;

bool CodePageDecoder::Open(const std::string& codePage) {
    open_ = ParseCodePage(codePage, codePage_);
    return open_;
}

std::string CodePageDecoder::Decode(std::string_view bytes) {
    std::string out;
    if (!open_) return out;
    // One character at a time, so a bad sequence costs only itself.
    std::size_t i = 0;
    while (i < bytes.size()) {
        wchar_t wide[4];
        int used = IsDBCSLeadByteEx(codePage_, static_cast<BYTE>(bytes[i])) ? 2 : 1;
        int length = 0;
        if (i + static_cast<std::size_t>(used) <= bytes.size()) {
            length = MultiByteToWideChar(codePage_, MB_ERR_INVALID_CHARS, bytes.data() + i, used,
                                         wide, 4);
        }
        if (length <= 0) {
            out += kReplacement;
            i += 1;
            continue;
        }
        AppendUtf8(wide, length, out);
        i += static_cast<std::size_t>(used);
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
