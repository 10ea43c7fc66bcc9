// What the XML readers of both platforms must agree on beyond any GPX file's content: a read
// that fails where it fails, and comments, however the reads cut them.
#include "platform/xml_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace quendra {
namespace {

// Gives `text` in reads of `piece` bytes, then fails with CompressedCorrupt after `failAt`.
struct Source : ByteSource {
    std::string text;
    std::size_t failAt = std::string::npos, piece = 1 << 20, at = 0;
    bool Read(std::uint8_t* out, std::size_t size, std::size_t& got) override {
        got = 0;
        if (failure == Failure::None && at >= failAt) failure = Failure::CompressedCorrupt;
        if (failure != Failure::None) return false;
        got = std::min({size, piece, text.size() - at, failAt - at});
        std::memcpy(out, text.data() + at, got);
        at += got;
        return true;
    }
};

struct Counter : XmlHandler {
    int elements = 0;
    bool StartElement(std::string_view, std::span<const XmlAttribute>) override {
        return ++elements > 0;
    }
    bool EndElement(std::string_view) override { return true; }
    bool Text(std::string_view) override { return true; }
};

TEST(ReadXml, FailsAsItsSourceOnceAnElementStarted) {
    const std::string text = "<?xml version=\"1.0\"?>\n<gpx><wpt/><wpt/>\n</gpx>";
    const struct {
        std::size_t failAt;
        Failure failure;
    } cases[] = {{0, Failure::CompressedCorrupt},
                 {10, Failure::MalformedXml},  // no element yet: not known to be XML
                 {38, Failure::CompressedCorrupt},
                 {text.size(), Failure::CompressedCorrupt}};
    for (const auto& c : cases) {
        Source source;
        source.text = text;
        source.failAt = c.failAt;
        Counter counter;
        XmlError error;
        EXPECT_FALSE(ReadXml(source, counter, error));
        EXPECT_EQ(error.failure, c.failure) << c.failAt;
    }
}

// Comments, instructions and CDATA sections of every length, ending across reads anywhere.
TEST(ReadXml, TakesMarkupEndingAcrossReads) {
    Source source;
    source.text = "<gpx>";
    for (int i = 0; i < 20000; ++i) {
        const std::string filler(i % 7, 'c');
        source.text += "<a><!--" + filler + "--><?p " + filler + "?><![CDATA[" + filler + "]]></a>";
    }
    source.text += "</gpx>";
    source.piece = 4093;
    Counter counter;
    XmlError error;
    EXPECT_TRUE(ReadXml(source, counter, error))
        << static_cast<int>(error.failure) << " line " << error.line;
    EXPECT_EQ(counter.elements, 20001);
}

}  // namespace
}  // namespace quendra
