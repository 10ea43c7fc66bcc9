// A streaming XML reader for untrusted files: the platform's own well-kept parser (expat on
// Linux, XmlLite on Windows: xml_reader_expat.cpp, xml_reader_xmllite.cpp), hardened the
// same way on both.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "platform/byte_source.h"
#include "platform/failure.h"

namespace quendra {

// Names are local names (any namespace prefix or URI dropped); all text is UTF-8.
struct XmlAttribute {
    std::string_view name;
    std::string_view value;
};

class XmlHandler {
public:
    virtual ~XmlHandler() = default;
    // Each returns false to stop reading; ReadXml then fails with Failure::None and the
    // handler knows why.
    virtual bool StartElement(std::string_view name, std::span<const XmlAttribute> attributes) = 0;
    virtual bool EndElement(std::string_view name) = 0;
    // Character data, possibly in several pieces; entity and character references resolved.
    virtual bool Text(std::string_view text) = 0;
};

// Far beyond any GPX file; they bound what a hostile one can make the parser hold.
inline constexpr int kMaxXmlDepth = 64;
inline constexpr std::size_t kMaxXmlToken = std::size_t{1} << 20;  // a tag, attribute, comment

struct XmlError {
    Failure failure = Failure::None;
    std::uint64_t line = 0;  // where the document broke, when it did (1-based)
};

// Reads `input` to its end, calling `handler`. Refused: a document that is not well-formed
// (MalformedXml), one with a DTD, entity declaration or reference to an undeclared entity,
// nesting deeper than kMaxXmlDepth, or a token longer than kMaxXmlToken (XmlRefused), and
// a failed read (the source's failure; but MalformedXml when what came before it started no
// element and already is no XML). Nothing external is ever fetched, and no entity
// beyond XML's five predefined ones is expanded. UTF-8 and UTF-16 (with a byte-order mark)
// are read on every platform; the document's declared encoding otherwise is the parser's
// business, so a caller converts other encodings first.
bool ReadXml(ByteSource& input, XmlHandler& handler, XmlError& error);

}  // namespace quendra
