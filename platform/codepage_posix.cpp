// The POSIX side of platform/codepage.h: iconv.
#include "platform/codepage.h"

#include <iconv.h>

#include <cerrno>

namespace quendra {

const char* const kDefaultCodePage = "CP950";

struct CodePageDecoder::Converter {
    explicit Converter(iconv_t descriptor) : descriptor(descriptor) {}
    ~Converter() { iconv_close(descriptor); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    iconv_t descriptor;
};

CodePageDecoder::CodePageDecoder() = default;
CodePageDecoder::~CodePageDecoder() = default;

bool CodePageDecoder::Open(const std::string& codePage) {
    converter_.reset();
    iconv_t descriptor =
        iconv_open("UTF-8", codePage.empty() ? kDefaultCodePage : codePage.c_str());
    if (descriptor == reinterpret_cast<iconv_t>(-1)) return false;
    converter_ = std::make_unique<Converter>(descriptor);
    return true;
}

std::string CodePageDecoder::Decode(std::string_view bytes) {
    std::string out;
    if (!converter_) return out;
    iconv_t converter = converter_->descriptor;
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

}  // namespace quendra

namespace quendra {

struct CodePageEncoder::Converter {
    explicit Converter(iconv_t descriptor) : descriptor(descriptor) {}
    ~Converter() { iconv_close(descriptor); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    iconv_t descriptor;
};

CodePageEncoder::CodePageEncoder() = default;
CodePageEncoder::~CodePageEncoder() = default;

bool CodePageEncoder::Open(const std::string& codePage) {
    converter_.reset();
    iconv_t descriptor =
        iconv_open(codePage.empty() ? kDefaultCodePage : codePage.c_str(), "UTF-8");
    if (descriptor == reinterpret_cast<iconv_t>(-1)) return false;
    converter_ = std::make_unique<Converter>(descriptor);
    return true;
}

bool CodePageEncoder::Encode(std::string_view character, std::string& out) {
    if (!converter_) return false;
    iconv_t converter = converter_->descriptor;
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(character.data());
    std::size_t inLeft = character.size();
    char bytes[16];
    char* at = bytes;
    std::size_t room = sizeof bytes;
    // Without //TRANSLIT a character the code page lacks is refused (EILSEQ), not guessed.
    if (iconv(converter, &in, &inLeft, &at, &room) != 0 || inLeft != 0) return false;
    // A stateful code page may need its shift state closed.
    if (iconv(converter, nullptr, nullptr, &at, &room) == static_cast<std::size_t>(-1))
        return false;
    out.append(bytes, static_cast<std::size_t>(at - bytes));
    return true;
}

}  // namespace quendra
