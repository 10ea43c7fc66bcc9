// The open and save dialogs over GetOpenFileNameW and GetSaveFileNameW.
#pragma once

#include "app/win32/windows_api.h"

#include <commdlg.h>
#include <string>
#include <vector>

#include "app/file_dialogs.h"

namespace quendra {

// The OPENFILENAMEW of one request, with the strings and the buffer it points into.
class OpenFileName {
public:
    // Long enough for a path past MAX_PATH.
    static constexpr DWORD kFileBufferCharacters = 32768;

    OpenFileName(const FileDialogRequest& request, HWND owner);
    OpenFileName(const OpenFileName&) = delete;
    OpenFileName& operator=(const OpenFileName&) = delete;

    OPENFILENAMEW& get() { return info_; }
    // The path the user chose, once the dialog has returned TRUE.
    std::string PathName() const;

private:
    std::wstring filter_;
    std::wstring defaultExtension_;
    std::wstring initialDirectory_;
    std::vector<wchar_t> file_;
    OPENFILENAMEW info_{};
};

class Win32FileDialogs : public FileDialogs {
public:
    void SetOwner(HWND owner) { owner_ = owner; }
    bool Run(const FileDialogRequest& request, std::string& pathName) override;

private:
    HWND owner_ = nullptr;
};

}  // namespace quendra
