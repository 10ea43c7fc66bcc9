#include "app/win32/win32_message_boxes.h"

#include "app/win32/wide_text.h"
#include "string_table.h"

namespace quendra {

namespace {
constexpr wchar_t kCaption[] = L"Quendra";
}

bool Win32MessageBoxes::AskYesNo(int stringId) {
    return Show(stringId, MB_YESNO) == IDYES;
}

void Win32MessageBoxes::ShowOk(int stringId) {
    Show(stringId, MB_OK);
}

int Win32MessageBoxes::Show(int stringId, UINT type) {
    const std::wstring text = WideFromUtf8(LoadString(stringId));
    return MessageBoxW(owner_, text.c_str(), kCaption, type);
}

}  // namespace quendra
