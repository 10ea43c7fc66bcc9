#include "platform/codepage.h"

#include <gtest/gtest.h>

namespace quendra {
namespace {

TEST(CodePageDecoder, DecodesBig5) {
    CodePageDecoder decoder;
    ASSERT_TRUE(decoder.Open("CP950"));
    EXPECT_EQ(decoder.Decode("\xA4\xA4\xA4\xE5"), "中文");
}

}  // namespace
}  // namespace quendra
