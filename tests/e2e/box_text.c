// Prints what a message box says: the texts of the static controls of the dialog box
// titled TITLE, as UTF-8, one a line. scripts/windows-e2e.sh reads the boxes of another
// process with it; the system keeps a window's text, so no message need reach that process.
//   box_text.exe TITLE  ->  the texts; exit 1 when no such box is open
#include <stdio.h>
#include <wchar.h>
#include <windows.h>

static BOOL CALLBACK PrintStatic(HWND control, LPARAM unused) {
    (void)unused;
    wchar_t name[16], text[4096];
    char utf8[4 * 4096];
    if (GetClassNameW(control, name, 16) && _wcsicmp(name, L"Static") == 0 &&
        GetWindowTextW(control, text, 4096) > 0 &&
        WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, NULL, NULL) > 0) {
        printf("%s\n", utf8);
    }
    return TRUE;
}

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) return 2;
    HWND box = FindWindowW(L"#32770", argv[1]);
    if (box == NULL) return 1;
    EnumChildWindows(box, PrintStatic, 0);
    return 0;
}
