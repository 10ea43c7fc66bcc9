// Prints the clipboard's text as UTF-8. A message box copies its caption, text and buttons
// there on Ctrl+C, which is how scripts/windows-e2e.sh reads what a box says.
//   clipboard_text.exe  ->  the text; exit 1 when the clipboard holds none
#include <stdio.h>
#include <stdlib.h>
#include <windows.h>

int wmain(void) {
    if (!OpenClipboard(NULL)) return 1;
    HANDLE data = GetClipboardData(CF_UNICODETEXT);
    const wchar_t* text = data ? GlobalLock(data) : NULL;
    int size = text ? WideCharToMultiByte(CP_UTF8, 0, text, -1, NULL, 0, NULL, NULL) : 0;
    char* utf8 = size > 0 ? malloc(size) : NULL;
    if (utf8 == NULL || !WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, size, NULL, NULL)) {
        CloseClipboard();
        return 1;
    }
    fputs(utf8, stdout);
    CloseClipboard();
    return 0;
}
