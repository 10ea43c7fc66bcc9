// The POSIX side of platform/codepage.h: iconv.
#include "platform/codepage.h"

#include <iconv.h>

#include <cerrno>
#include <memory>

namespace quendra {

const char* const kDefaultCodePage = "CP950";

namespace {

// An iconv descriptor, closed with its owner.
struct Iconv {
    explicit Iconv(iconv_t descriptor) : descriptor(descriptor) {}
    ~Iconv() { iconv_close(descriptor); }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;
    iconv_t descriptor;
};

// A converter between `codePage` (the default one when empty) and UTF-8, either way; none
// when iconv knows no such code page.
template <class Converter>
std::unique_ptr<Converter> OpenIconv(const std::string& codePage, bool toCodePage) {
    const char* named = codePage.empty() ? kDefaultCodePage : codePage.c_str();
    iconv_t descriptor = toCodePage ? iconv_open(named, "UTF-8") : iconv_open("UTF-8", named);
    if (descriptor == reinterpret_cast<iconv_t>(-1)) return nullptr;
    return std::make_unique<Converter>(descriptor);
}

}  // namespace

struct CodePageDecoder::Converter : Iconv {
    using Iconv::Iconv;
};

CodePageDecoder::CodePageDecoder() = default;
CodePageDecoder::~CodePageDecoder() = default;

bool CodePageDecoder::Open(const std::string& codePage) {
    converter_ = OpenIconv<Converter>(codePage, false);
    return converter_ != nullptr;
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

struct CodePageEncoder::Converter : Iconv {
    using Iconv::Iconv;
};

CodePageEncoder::CodePageEncoder() = default;
CodePageEncoder::~CodePageEncoder() = default;

bool CodePageEncoder::Open(const std::string& codePage) {
    converter_ = OpenIconv<Converter>(codePage, true);
    return converter_ != nullptr;
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
