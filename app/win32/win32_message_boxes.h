// The converter's messages as MessageBoxW boxes, their texts from the string table.
#pragma once

#include "app/win32/windows_api.h"

#include <string>
#include <string_view>

#include "app/message_boxes.h"

namespace quendra {

class Win32MessageBoxes : public MessageBoxes {
public:
    void SetOwner(HWND owner) { owner_ = owner; }
    bool AskYesNo(int stringId) override;
    void ShowOk(int stringId) override;
    void ShowOkText(const std::string& utf8Text) override;

private:
    int Show(std::string_view utf8Text, UINT type);

    HWND owner_ = nullptr;
};

}  // namespace quendra
