#include "app/win32/win32_file_dialogs.h"

#include "platform/utf16.h"

namespace quendra {

namespace {

// "Description (*.a;*.b)\0*.a;*.b\0" for each filter, then "\0": the notation the dialogs
// read.
std::wstring FilterOf(const FileDialogRequest& request) {
    std::wstring filter;
    for (const FileDialogRequest::Filter& each : request.filters) {
        std::string patterns;
        for (const std::string& pattern : each.patterns) {
            if (!patterns.empty()) patterns += ';';
            patterns += pattern;
        }
        filter += WideFromUtf8(each.description + " (" + patterns + ")");
        filter += L'\0';
        filter += WideFromUtf8(patterns);
        filter += L'\0';
    }
    filter += L'\0';
    return filter;
}

}  // namespace

OpenFileName::OpenFileName(const FileDialogRequest& request, HWND owner)
    : filter_(FilterOf(request)),
      defaultExtension_(WideFromUtf8(request.defaultExtension)),
      initialDirectory_(WideFromUtf8(request.initialDirectory)),
      file_(kFileBufferCharacters, L'\0') {
    info_.lStructSize = sizeof(info_);
    info_.hwndOwner = owner;
    info_.lpstrFilter = filter_.c_str();
    info_.lpstrFile = file_.data();
    info_.nMaxFile = kFileBufferCharacters;
    info_.lpstrInitialDir = initialDirectory_.c_str();
    info_.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST;
    // The dialogs add an extension only when one is named here.
    info_.lpstrDefExt = defaultExtension_.empty() ? nullptr : defaultExtension_.c_str();
}

std::string OpenFileName::PathName() const {
    return Utf8FromWide(file_.data());
}

bool Win32FileDialogs::Run(const FileDialogRequest& request, std::string& pathName) {
    OpenFileName dialog(request, owner_);
    const bool open = request.mode == FileDialogRequest::Mode::Open;
    if (!(open ? GetOpenFileNameW(&dialog.get()) : GetSaveFileNameW(&dialog.get()))) return false;
    pathName = dialog.PathName();
    return true;
}

}  // namespace quendra
