// The two datum messages as MessageBoxW boxes, their texts from the string table.
#pragma once

#include "app/win32/windows_api.h"

#include "platform/message_boxes.h"

namespace quendra {

class Win32MessageBoxes : public MessageBoxes {
public:
    void SetOwner(HWND owner) { owner_ = owner; }
    bool AskYesNo(int stringId) override;
    void ShowOk(int stringId) override;

private:
    int Show(int stringId, UINT type);

    HWND owner_ = nullptr;
};

}  // namespace quendra
