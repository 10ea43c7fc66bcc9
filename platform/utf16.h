// The one crossing between UTF-8, the text everything above platform/ holds, and the UTF-16
// of the wide Windows calls. Windows only.
//
// Valid text, and so any path a user can type, round-trips exactly. A lone surrogate, which
// Windows allows in names but UTF-8 cannot carry, becomes U+FFFD, and so does a malformed
// UTF-8 sequence: the result is always valid text, never an error.
#pragma once

#include <string>
#include <string_view>

namespace quendra {

std::wstring WideFromUtf8(std::string_view text);
std::string Utf8FromWide(std::wstring_view text);

}  // namespace quendra
