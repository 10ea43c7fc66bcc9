// Decoding waypoint names for display: Big5 shows as Chinese, damage shows as U+FFFD
// without hiding the rest of the line. On Windows, also the crossing to UTF-16 it ends in.
#include "platform/codepage.h"
#include "platform/utf16.h"

#include <gtest/gtest.h>

namespace quendra {
namespace {

const std::string kBad = "\xEF\xBF\xBD";  // U+FFFD

TEST(CodePageDecoder, ShowsBig5AsChinese) {
    CodePageDecoder decoder;
    ASSERT_TRUE(decoder.Open("CP950"));
    std::string longUtf8;  // 500 times 中: longer than any buffer a decoder might start with
    for (int i = 0; i < 500; ++i) longUtf8 += "中";
    const std::pair<std::string, std::string> cases[] = {
        {"\xA4\xA4\xA4\xE5 \xA5\x5F\xA4\x73 123", "中文 北山 123"},  // 0x5F: a trail byte
        {"", ""},
        // A lead byte followed by a byte that cannot follow it, first or after a character,
        // and a name cut inside its last character: the lead byte alone, and the line goes on.
        {"\xA4\n\xA5\x5F\xA4 AB\xA4", kBad + "\n北" + kBad + " AB" + kBad},
        {std::string(1000, '\xA4'), longUtf8},
    };
    for (const auto& [bytes, utf8] : cases) EXPECT_EQ(decoder.Decode(bytes), utf8);
}

#ifdef _WIN32
// A path comes back as it went whatever its script (the last character lies outside the
// BMP); a lone surrogate, which Windows allows in names but UTF-8 cannot carry, becomes U+FFFD.
TEST(Utf16, RoundTripsPathsAndReplacesALoneSurrogate) {
    EXPECT_EQ(WideFromUtf8("C:\\HOME\\航點 \U0001F5FA"), L"C:\\HOME\\航點 \U0001F5FA");
    EXPECT_EQ(Utf8FromWide(L"\xDC00 航點\U0001F5FA\xD800"), kBad + " 航點\U0001F5FA" + kBad);
}
#endif

}  // namespace
}  // namespace quendra
