// The Linux side of platform/xml_reader.h: expat, fed in pieces.
#include "platform/xml_reader.h"

#include <expat.h>

#include <memory>
#include <string_view>
#include <vector>

namespace quendra {

namespace {

constexpr std::size_t kPiece = 64 << 10;

// A name without its prefix. Names are matched by their local part whatever namespace they
// are in, so expat's namespace processing, which costs a good part of its time, is left off.
std::string_view LocalName(const XML_Char* name) {
    std::string_view text(name);
    const std::size_t colon = text.rfind(':');
    return colon == std::string_view::npos ? text : text.substr(colon + 1);
}

struct ParserDeleter {
    void operator()(XML_Parser parser) const { XML_ParserFree(parser); }
};

class ExpatReader {
public:
    ExpatReader(XmlHandler& handler, XmlError& error) : handler_(handler), error_(error) {}

    bool Read(ByteSource& input) {
        std::unique_ptr<XML_ParserStruct, ParserDeleter> parser(XML_ParserCreate(nullptr));
        if (!parser) return Fail(Failure::OutOfMemory);
        parser_ = parser.get();
        XML_SetUserData(parser_, this);
        XML_SetElementHandler(parser_, OnStart, OnEnd);
        XML_SetCharacterDataHandler(parser_, OnText);
        XML_SetCommentHandler(parser_, [](void* self, const XML_Char*) { Seen(self); });
        XML_SetProcessingInstructionHandler(
            parser_, [](void* self, const XML_Char*, const XML_Char*) { Seen(self); });
        // A DTD is where entities are declared and external ones named: refused at its start,
        // so nothing is ever fetched or expanded.
        XML_SetStartDoctypeDeclHandler(parser_, OnDoctype);
        XML_SetParamEntityParsing(parser_, XML_PARAM_ENTITY_PARSING_NEVER);

        for (bool last = false; !last;) {
            void* buffer = XML_GetBuffer(parser_, static_cast<int>(kPiece));
            if (buffer == nullptr) return Fail(Failure::OutOfMemory);
            std::size_t got = 0;
            if (!input.Read(static_cast<std::uint8_t*>(buffer), kPiece, got)) {
                // What came before the failure and started no element may already be no
                // XML: a foreign file is known as such, whatever else is wrong with it.
                if (!sawElement_ && fed_ > 0 &&
                    XML_ParseBuffer(parser_, 0, XML_TRUE) != XML_STATUS_OK && !stopped_) {
                    return Fail(Failure::MalformedXml);
                }
                return Fail(input.failure);
            }
            last = got == 0;
            fed_ += got;
            if (XML_ParseBuffer(parser_, static_cast<int>(got), last) != XML_STATUS_OK) {
                if (stopped_) return false;
                const XML_Error code = XML_GetErrorCode(parser_);
                return Fail(code == XML_ERROR_UNDEFINED_ENTITY ||
                                    code == XML_ERROR_RECURSIVE_ENTITY_REF
                                ? Failure::XmlRefused
                            : code == XML_ERROR_NO_MEMORY ? Failure::OutOfMemory
                                                          : Failure::MalformedXml);
            }
            // Expat holds a token until it ends: one that goes on this long is refused.
            if (fed_ - fedAtLastEvent_ > kMaxXmlToken + kPiece) return Fail(Failure::XmlRefused);
        }
        return true;
    }

private:
    bool Fail(Failure why) {
        error_.failure = why;
        if (parser_ != nullptr) error_.line = XML_GetCurrentLineNumber(parser_);
        return false;
    }

    // Every event shows that expat has let go of what came before it.
    static void Seen(void* self) {
        auto* reader = static_cast<ExpatReader*>(self);
        reader->fedAtLastEvent_ = reader->fed_;
    }

    // Stops the parse; `why` is None when the handler asked.
    void Stop(Failure why) {
        Fail(why);
        stopped_ = true;
        XML_StopParser(parser_, XML_FALSE);
    }

    static void OnStart(void* self, const XML_Char* name, const XML_Char** attributes) {
        auto* reader = static_cast<ExpatReader*>(self);
        Seen(self);
        reader->sawElement_ = true;
        if (++reader->depth_ > kMaxXmlDepth) return reader->Stop(Failure::XmlRefused);
        reader->attributes_.clear();
        for (const XML_Char** at = attributes; *at != nullptr; at += 2) {
            reader->attributes_.push_back({LocalName(at[0]), at[1]});
        }
        if (!reader->handler_.StartElement(LocalName(name), reader->attributes_)) {
            reader->Stop(Failure::None);
        }
    }

    static void OnEnd(void* self, const XML_Char* name) {
        auto* reader = static_cast<ExpatReader*>(self);
        Seen(self);
        --reader->depth_;
        if (!reader->handler_.EndElement(LocalName(name))) reader->Stop(Failure::None);
    }

    static void OnText(void* self, const XML_Char* text, int length) {
        auto* reader = static_cast<ExpatReader*>(self);
        Seen(self);
        if (!reader->handler_.Text(std::string_view(text, static_cast<std::size_t>(length)))) {
            reader->Stop(Failure::None);
        }
    }

    static void OnDoctype(void* self, const XML_Char*, const XML_Char*, const XML_Char*, int) {
        static_cast<ExpatReader*>(self)->Stop(Failure::XmlRefused);
    }

    XmlHandler& handler_;
    XmlError& error_;
    XML_Parser parser_ = nullptr;
    std::vector<XmlAttribute> attributes_;
    int depth_ = 0;
    bool stopped_ = false;
    bool sawElement_ = false;
    std::uint64_t fed_ = 0;
    std::uint64_t fedAtLastEvent_ = 0;
};

}  // namespace

bool ReadXml(ByteSource& input, XmlHandler& handler, XmlError& error) {
    error = {};
    return ExpatReader(handler, error).Read(input);
}

}  // namespace quendra
