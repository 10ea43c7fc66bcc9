// UTF-8, as the dialog's steps hold text, to and from the UTF-16 of the wide Win32 APIs.
#pragma once

#include <string>
#include <string_view>

namespace quendra {

std::wstring WideFromUtf8(std::string_view text);
std::string Utf8FromWide(std::wstring_view text);

}  // namespace quendra
