// Prints the dialog base units Windows gives a dialog with this font (DS_SETFONT): the
// average width of the 52 letters, rounded as the dialog manager rounds it, and the
// font's height; then the face the font resolved to (UTF-8), which shows whether a font
// replacement took. scripts/windows-e2e.sh maps the template to pixels with them, so the
// window it drives is measured against the font, not against the program's own numbers.
//   dialog_base_units.exe FACE POINTS   ->  "X Y FACE"
#include <stdio.h>
#include <wchar.h>
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) return 2;
    HDC dc = GetDC(NULL);
    LOGFONTW logFont = {0};
    logFont.lfHeight = -MulDiv(_wtoi(argv[2]), GetDeviceCaps(dc, LOGPIXELSY), 72);
    logFont.lfWeight = FW_NORMAL;
    logFont.lfCharSet = DEFAULT_CHARSET;
    wcsncpy(logFont.lfFaceName, argv[1], LF_FACESIZE - 1);
    HFONT font = CreateFontIndirectW(&logFont);
    if (font == NULL) return 1;
    SelectObject(dc, font);
    TEXTMETRICW metrics;
    SIZE size;
    static const wchar_t letters[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    if (!GetTextMetricsW(dc, &metrics) || !GetTextExtentPoint32W(dc, letters, 52, &size)) return 1;
    wchar_t face[LF_FACESIZE];
    char faceUtf8[4 * LF_FACESIZE];
    if (GetTextFaceW(dc, LF_FACESIZE, face) == 0 ||
        WideCharToMultiByte(CP_UTF8, 0, face, -1, faceUtf8, sizeof faceUtf8, NULL, NULL) == 0)
        return 1;
    printf("%ld %ld %s\n", (size.cx / 26 + 1) / 2, metrics.tmHeight, faceUtf8);
    return 0;
}
