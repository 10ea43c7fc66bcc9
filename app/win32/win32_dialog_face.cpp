#include "app/win32/win32_dialog_face.h"

#include <shellapi.h>

#include <vector>

#include "app/resource.h"
#include "platform/utf16.h"
#include "res/string_table.h"

namespace quendra {

void Win32ListBox::AddLine(std::string_view line) {
    const std::wstring text = WideFromUtf8(line);
    SendMessageW(control_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void Win32ListBox::ResetContent() {
    SendMessageW(control_, LB_RESETCONTENT, 0, 0);
}

DialogResult Win32DialogFace::DoModal(ConverterDialog& dialog) {
    steps_ = &dialog;
    modal_ = true;
    result_ = 0;
    const INT_PTR result = DialogBoxParamW(instance_, MAKEINTRESOURCEW(IDD_CONVERTER_DIALOG),
                                           nullptr, DialogProc, reinterpret_cast<LPARAM>(this));
    steps_ = nullptr;
    return result == kDialogOk ? kDialogOk : kDialogCancel;
}

HWND Win32DialogFace::CreateModeless(ConverterDialog& dialog, HWND parent) {
    steps_ = &dialog;
    modal_ = false;
    result_ = 0;
    return CreateDialogParamW(instance_, MAKEINTRESOURCEW(IDD_CONVERTER_DIALOG), parent, DialogProc,
                              reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK Win32DialogFace::DialogProc(HWND hwnd, UINT message, WPARAM wParam,
                                             LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        return reinterpret_cast<Win32DialogFace*>(lParam)->OnInitDialog(hwnd);
    }
    // Nothing to forward to before WM_INITDIALOG (WM_SETFONT and the like).
    auto* face = reinterpret_cast<Win32DialogFace*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    if (face == nullptr || face->steps_ == nullptr) return FALSE;
    switch (message) {
        case WM_COMMAND:
            return face->OnCommand(LOWORD(wParam), HIWORD(wParam));
        case WM_SYSCOMMAND:
            return face->OnSysCommand(wParam);
        case WM_DROPFILES:
            face->OnDropFiles(reinterpret_cast<HDROP>(wParam));
            return TRUE;
        case WM_DESTROY:
            face->OnDestroy();
            return TRUE;
        default:
            return FALSE;
    }
}

BOOL Win32DialogFace::OnInitDialog(HWND hwnd) {
    hwnd_ = hwnd;
    fileDialogs_.SetOwner(hwnd);
    messages_.SetOwner(hwnd);
    list_.SetControl(GetDlgItem(hwnd, IDC_WAYPOINT_LIST));
    for (auto [which, size] : {std::pair{ICON_BIG, SM_CXICON}, {ICON_SMALL, SM_CXSMICON}}) {
        const int pixels = GetSystemMetrics(size);
        HANDLE icon = LoadImageW(instance_, MAKEINTRESOURCEW(IDI_APP_ICON), IMAGE_ICON, pixels,
                                 pixels, LR_SHARED);
        SendMessageW(hwnd, WM_SETICON, which, reinterpret_cast<LPARAM>(icon));
    }
    // The template is placed at 0,0 and asks for no centring; the user meets the dialog in
    // the middle of the screen's work area all the same.
    RECT window{};
    GetWindowRect(hwnd, &window);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (GetMonitorInfoW(MonitorFromWindow(hwnd, MONITOR_DEFAULTTOPRIMARY), &monitor)) {
        const RECT& work = monitor.rcWork;
        SetWindowPos(hwnd, nullptr, (work.left + work.right - (window.right - window.left)) / 2,
                     (work.top + work.bottom - (window.bottom - window.top)) / 2, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    DragAcceptFiles(hwnd, TRUE);
    HMENU systemMenu = GetSystemMenu(hwnd, FALSE);
    const std::wstring item = WideFromUtf8(LoadString(IDS_DATUM_TRANSFORM_ACCURATE));
    AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(systemMenu, MF_STRING | (steps_->AccurateDatums() ? MF_CHECKED : MF_UNCHECKED),
                IDM_DATUM_TRANSFORM, item.c_str());
    steps_->OnInitDialog();
    return TRUE;  // the focus goes to the first tab stop, the path box
}

BOOL Win32DialogFace::OnCommand(int id, int code) {
    // Enter with no default button gives IDOK; Esc and the close box give IDCANCEL.
    switch (id) {
        case IDOK:
            steps_->OnOK();
            return TRUE;
        case IDCANCEL:
            steps_->OnCancel();
            return TRUE;
        default:
            break;
    }
    if (code != BN_CLICKED) return FALSE;
    switch (id) {
        case IDC_LIST_WAYPOINTS:
            steps_->OnListWaypoints();
            return TRUE;
        case IDC_BROWSE:
            steps_->OnBrowse();
            return TRUE;
        case IDC_CONVERT:
            steps_->OnConvert();
            return TRUE;
        default:
            return FALSE;
    }
}

static_assert(IDM_DATUM_TRANSFORM < 0xF000 && (IDM_DATUM_TRANSFORM & 0xF) == 0);

BOOL Win32DialogFace::OnSysCommand(WPARAM command) {
    // The low 4 bits are the system's own.
    if ((command & 0xFFF0) != IDM_DATUM_TRANSFORM) return FALSE;
    const bool accurate = !steps_->AccurateDatums();
    steps_->SetAccurateDatums(accurate);
    CheckMenuItem(GetSystemMenu(hwnd_, FALSE), IDM_DATUM_TRANSFORM,
                  MF_BYCOMMAND | (accurate ? MF_CHECKED : MF_UNCHECKED));
    return TRUE;
}

void Win32DialogFace::OnDropFiles(HDROP drop) {
    std::vector<std::string> paths;
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        std::wstring path(DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
        path.resize(DragQueryFileW(drop, i, path.data(), static_cast<UINT>(path.size())));
        paths.push_back(Utf8FromWide(path));
    }
    DragFinish(drop);
    steps_->OnDropFiles(paths);
}

void Win32DialogFace::OnDestroy() {
    steps_->DestroyWindow();
    steps_ = nullptr;
    list_.SetControl(nullptr);
    fileDialogs_.SetOwner(nullptr);
    messages_.SetOwner(nullptr);
    hwnd_ = nullptr;
}

std::string Win32DialogFace::GetPathText() const {
    HWND edit = GetDlgItem(hwnd_, IDC_GTM_PATH);
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(edit)) + 1, L'\0');
    text.resize(
        static_cast<std::size_t>(GetWindowTextW(edit, text.data(), static_cast<int>(text.size()))));
    return Utf8FromWide(text);
}

void Win32DialogFace::SetPathText(const std::string& text) {
    SetDlgItemTextW(hwnd_, IDC_GTM_PATH, WideFromUtf8(text).c_str());
}

WaypointListBox* Win32DialogFace::WaypointList() {
    return GetDlgItem(hwnd_, IDC_WAYPOINT_LIST) != nullptr ? &list_ : nullptr;
}

void Win32DialogFace::SetCountText(const std::string& text) {
    SetDlgItemTextW(hwnd_, IDC_WAYPOINT_COUNT, WideFromUtf8(text).c_str());
}

void Win32DialogFace::EndDialog(DialogResult result) {
    result_ = result;
    if (modal_) {
        ::EndDialog(hwnd_, result);
    } else {
        DestroyWindow(hwnd_);
    }
}

}  // namespace quendra
