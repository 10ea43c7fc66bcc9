// Decoding waypoint names for display: Big5 shows as Chinese, damage shows as U+FFFD
// without hiding the rest of the line.
#include "platform/codepage.h"

#include <gtest/gtest.h>

namespace quendra {
namespace {

constexpr const char* kBad = "\xEF\xBF\xBD";  // U+FFFD

TEST(CodePageDecoder, ShowsBig5AsChinese) {
    CodePageDecoder decoder;
    ASSERT_TRUE(decoder.Open("CP950"));
    std::string longBig5, longUtf8;  // longer than any buffer a decoder might start with
    for (int i = 0; i < 500; ++i) {
        longBig5 += "\xA4\xA4";
        longUtf8 += "中";
    }
    const std::pair<std::string, std::string> cases[] = {
        {"\xA4\xA4\xA4\xE5", "中文"},
        {"\xA5\x5F\xA4\x73 123", "北山 123"},  // 0x5F trail byte, not an underscore
        {"HOME        13", "HOME        13"},
        {"", ""},
        // A name cut inside a character: the lead byte alone, then the line goes on.
        {"\xA5\x5F\xA4 123", std::string("北") + kBad + " 123"},
        {"AB\xA4", std::string("AB") + kBad},
        // A lead byte followed by a byte that cannot follow it.
        {"\xA4\nx", std::string(kBad) + "\nx"},
        {longBig5, longUtf8},
    };
    for (const auto& [bytes, utf8] : cases) EXPECT_EQ(decoder.Decode(bytes), utf8);
}

}  // namespace
}  // namespace quendra
