#include "app/win32/win32_message_boxes.h"

#include "platform/utf16.h"
#include "res/string_table.h"

namespace quendra {

namespace {
constexpr wchar_t kCaption[] = L"Quendra";
}

bool Win32MessageBoxes::AskYesNo(int stringId) {
    return Show(LoadString(stringId), MB_YESNO) == IDYES;
}

void Win32MessageBoxes::ShowOk(int stringId) {
    Show(LoadString(stringId), MB_OK);
}

void Win32MessageBoxes::ShowOkText(const std::string& utf8Text) {
    Show(utf8Text, MB_OK);
}

int Win32MessageBoxes::Show(std::string_view utf8Text, UINT type) {
    const std::wstring text = WideFromUtf8(utf8Text);
    return MessageBoxW(owner_, text.c_str(), kCaption, type);
}

}  // namespace quendra
