// The Win32 face over the real steps and the real template 102, with fake file dialogs,
// message boxes and profile. (The registry profile is scripts/windows-e2e.sh's: quendra.exe
// reads and writes its REG_SZ values there.)
#include "app/win32/windows_api.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <cstring>

#include "app/converter_dialog.h"
#include "app/dialog_template.h"
#include "app/resource.h"
#include "app/win32/win32_dialog_face.h"
#include "app/win32/win32_file_dialogs.h"
#include "platform/utf16.h"
#include "res/string_table.h"
#include "tests/support/fake_dialog.h"
#include "tests/support/gtm_builder.h"
#include "tests/support/temp_dir.h"

namespace quendra {
namespace {

using namespace quendra::testing;
using namespace std::string_literals;

std::string TextOf(HWND window) {
    wchar_t text[1024] = L"";
    GetWindowTextW(window, text, 1024);
    return Utf8FromWide(text);
}

// One dialog window over fresh fakes, created from the resource as quendra.exe creates it.
struct Session {
    // `datumTransform`, when given, is the stored "Dialog"/"DatumTransform" at start.
    explicit Session(const char* datumTransform = nullptr) {
        if (datumTransform) profile.values[{"Dialog", "DatumTransform"}] = datumTransform;
        hwnd = face.CreateModeless(dialog);
    }
    ~Session() { DestroyWindow(hwnd); }  // fails harmlessly once the dialog has ended

    HWND Item(int id) const { return GetDlgItem(hwnd, id); }
    void Type(const std::filesystem::path& p) { SetDlgItemTextW(hwnd, IDC_GTM_PATH, p.c_str()); }
    void Click(int id) { SendMessageW(Item(id), BM_CLICK, 0, 0); }
    void Drop(const std::vector<std::filesystem::path>& paths) {
        std::wstring names;
        for (const auto& path : paths) names += path.wstring() + L'\0';
        // Zeroed, so the list of names ends with a second null.
        HGLOBAL drop = GlobalAlloc(GHND, sizeof(DROPFILES) + (names.size() + 1) * sizeof(wchar_t));
        auto* files = static_cast<DROPFILES*>(GlobalLock(drop));
        *files = {.pFiles = sizeof(DROPFILES), .fWide = TRUE};
        std::memcpy(files + 1, names.c_str(), names.size() * sizeof(wchar_t));
        GlobalUnlock(drop);
        SendMessageW(hwnd, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
    }
    std::string Line(WPARAM i) const {
        wchar_t line[256] = L"";
        SendDlgItemMessageW(hwnd, IDC_WAYPOINT_LIST, LB_GETTEXT, i, reinterpret_cast<LPARAM>(line));
        return Utf8FromWide(line);
    }

    Win32DialogFace face{GetModuleHandleW(nullptr)};
    FakeFileDialogs files;
    FakeMessages messages;
    FakeProfile profile;
    ConverterDialog dialog{{face, files, messages, profile}};
    HWND hwnd = nullptr;
};

TEST(Win32Dialog, ResourceFollowsTheTemplate) {
    Session session;
    const HWND hwnd = session.hwnd;
    EXPECT_EQ(TextOf(hwnd), kDialogCaption);
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0)), sizeof font, &font);
    EXPECT_EQ(Utf8FromWide(font.lfFaceName), kDialogFontFamily);
    RECT size{0, 0, kDialogWidth, kDialogHeight}, client;
    MapDialogRect(hwnd, &size);
    GetClientRect(hwnd, &client);
    EXPECT_EQ(std::pair(client.right, client.bottom), std::pair(size.right, size.bottom));
    const LONG frame = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
    EXPECT_EQ(GetWindowLongW(hwnd, GWL_STYLE) & frame, WS_POPUP | WS_CAPTION | WS_SYSMENU);
    EXPECT_TRUE(GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_APPWINDOW);
    // The template places it at 0,0; it opens in the middle of the work area.
    RECT window, work;
    GetWindowRect(hwnd, &window);
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_NEAR(window.left + window.right, work.left + work.right, 2);
    EXPECT_NEAR(window.top + window.bottom, work.top + work.bottom, 2);
    EXPECT_NE(SendMessageW(hwnd, WM_GETICON, ICON_BIG, 0), 0);
    EXPECT_NE(SendMessageW(hwnd, WM_GETICON, ICON_SMALL, 0), 0);

    // More lines than fit, so the list shows the scroll bar its style asks for.
    for (int i = 0; i < 50; ++i)
        SendDlgItemMessageW(hwnd, IDC_WAYPOINT_LIST, LB_ADDSTRING, 0, LPARAM(L""));
    const wchar_t* const classes[] = {L"Static", L"Edit", L"Button", L"ListBox"};
    HWND child = GetWindow(hwnd, GW_CHILD);
    for (const ControlTemplate& control : kDialogControls) {
        SCOPED_TRACE(control.text);
        ASSERT_NE(child, nullptr);
        EXPECT_EQ(GetDlgCtrlID(child), control.id);
        wchar_t name[32] = L"";
        GetClassNameW(child, name, 32);
        EXPECT_EQ(_wcsicmp(name, classes[static_cast<int>(control.kind)]), 0) << Utf8FromWide(name);
        EXPECT_EQ(TextOf(child), control.text);
        // Position and size are mapped apart, as the dialog manager maps them.
        RECT expected{control.x, control.y, control.width, control.height}, actual;
        MapDialogRect(hwnd, &expected);
        GetWindowRect(child, &actual);
        MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&actual), 2);
        EXPECT_EQ(std::tuple(actual.left, actual.top, actual.right - actual.left,
                             actual.bottom - actual.top),
                  std::tuple(expected.left, expected.top, expected.right, expected.bottom));

        // The styles that matter, by kind: within the mask, exactly these bits.
        const bool centred = control.alignment != TextAlignment::Left;
        const std::pair<LONG, LONG> styles[] = {
            {SS_TYPEMASK | SS_CENTERIMAGE | SS_SUNKEN | WS_GROUP,
             (centred ? SS_CENTER : SS_LEFT) | WS_GROUP | (control.sunken ? SS_SUNKEN : 0) |
                 (control.alignment == TextAlignment::Centre ? SS_CENTERIMAGE : 0)},
            {ES_AUTOHSCROLL | WS_TABSTOP, ES_AUTOHSCROLL | WS_TABSTOP},
            {BS_TYPEMASK | WS_TABSTOP, BS_PUSHBUTTON | WS_TABSTOP},  // none is the default
            {LBS_SORT | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_TABSTOP,
             LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_TABSTOP},
        };
        const auto [mask, bits] = styles[static_cast<int>(control.kind)];
        EXPECT_EQ(GetWindowLongW(child, GWL_STYLE) & mask, bits);
        // Dialogs turn WS_BORDER on edits and lists into a client edge.
        const bool edge = GetWindowLongW(child, GWL_EXSTYLE) & WS_EX_CLIENTEDGE;
        EXPECT_EQ(edge, control.kind == ControlKind::Edit || control.kind == ControlKind::ListBox);
        child = GetWindow(child, GW_HWNDNEXT);
    }
    EXPECT_EQ(child, nullptr);
}

// What listing, browsing, converting and dropping do is the steps' own (tested without a
// toolkit); here each only has to arrive, with its wide path intact.
TEST(Win32Dialog, ButtonsAndDropsReachTheStepsAndFileDialogsGetWin32Requests) {
    // Two waypoints, the first named 玉山 in Big5, in a file with a non-ASCII name.
    TempDir dir;
    const std::filesystem::path gtm = dir / L"台北 101.gtm";
    WriteBytes(gtm, GtmBuilder()
                        .Add({.name = "\xA5\xC9\xA4\x73", .altitude = 3952.0f})
                        .Add({.name = "Qixing", .altitude = 1120.0f})
                        .Build());
    Session session;
    session.Type(gtm);
    session.Click(IDC_LIST_WAYPOINTS);
    EXPECT_EQ(TextOf(session.Item(IDC_WAYPOINT_COUNT)), "2");
    const std::filesystem::path wtr = dir / L"輸出.wtr";
    session.profile.values[{"Dialog", "WTRFile"}] = "C:\\輸出\\上次.wtr";
    session.files.answers = {"", Utf8FromWide(wtr.wstring())};  // Browse cancelled
    session.Click(IDC_BROWSE);
    session.Click(IDC_CONVERT);
    EXPECT_TRUE(std::filesystem::exists(wtr));
    EXPECT_EQ(session.face.result(), kDialogOk);
    EXPECT_FALSE(IsWindow(session.hwnd));
    EXPECT_EQ(session.dialog.waypointSet(), nullptr);  // released as the window went
    ASSERT_EQ(session.files.requests.size(), 2u);
    const std::tuple<std::wstring, const wchar_t*, std::wstring> expected[] = {
        {L"GPS TrackMaker Files (*.gtm;*.gtz;*.gtm.gz)\0*.gtm;*.gtz;*.gtm.gz\0GPX Files (*.gpx;*.gpx.gz)\0*.gpx;*.gpx.gz\0\0"s, nullptr,
         gtm.wstring()},
        {L"Garmin WTR Files (*.wtr)\0*.wtr\0\0"s, L"wtr", L"C:\\輸出\\上次.wtr"},
    };
    for (std::size_t i = 0; i < 2; ++i) {
        const auto& [filter, defaultExtension, initialDirectory] = expected[i];
        OpenFileName dialog(session.files.requests[i], nullptr);
        const OPENFILENAMEW& info = dialog.get();
        const wchar_t* end = info.lpstrFilter;
        while (*end != L'\0' || end[1] != L'\0') ++end;  // up to the double null
        EXPECT_EQ(std::wstring(info.lpstrFilter, end + 2), filter);
        EXPECT_STREQ(info.lpstrDefExt, defaultExtension);
        EXPECT_EQ(info.lpstrInitialDir, initialDirectory);
        EXPECT_EQ(info.Flags, 0x804u);
        EXPECT_EQ(info.lpstrFile[0], L'\0');
        EXPECT_GE(info.nMaxFile, 32768u);
    }

    Session dropped;
    dropped.Drop({gtm, gtm});  // every name reaches the steps, which ignore two
    EXPECT_EQ(TextOf(dropped.Item(IDC_GTM_PATH)), "");
    dropped.Drop({gtm});
    EXPECT_EQ(TextOf(dropped.Item(IDC_GTM_PATH)), Utf8FromWide(gtm.wstring()));
    EXPECT_EQ(dropped.Line(1), "Qixing     1120");
    // Names are shown from the ANSI code page.
    if (GetACP() != 950) GTEST_SKIP() << "names need ANSI code page 950, have " << GetACP();
    EXPECT_EQ(dropped.Line(0), "玉山       3952");
}

// The system menu's last item, after a separator, shows the stored mode and toggles it; with
// nothing stored it is off. (What Convert does with the mode is the steps' own;
// scripts/windows-e2e.sh converts with it in quendra.exe.)
TEST(Win32Dialog, SystemMenuItemShowsAndTogglesTheDatumMode) {
    for (bool accurate : {false, true}) {
        Session session(accurate ? "accurate" : nullptr);
        HMENU menu = GetSystemMenu(session.hwnd, FALSE);
        const int items = GetMenuItemCount(menu);
        EXPECT_EQ(GetMenuItemID(menu, items - 1), static_cast<UINT>(IDM_DATUM_TRANSFORM));
        EXPECT_TRUE(GetMenuState(menu, items - 2, MF_BYPOSITION) & MF_SEPARATOR);
        wchar_t text[64] = L"";
        GetMenuStringW(menu, IDM_DATUM_TRANSFORM, text, 64, MF_BYCOMMAND);
        EXPECT_EQ(Utf8FromWide(text), LoadString(IDS_DATUM_TRANSFORM_ACCURATE));
        for (int click = 0; click < 3; ++click) {
            EXPECT_EQ((GetMenuState(menu, IDM_DATUM_TRANSFORM, MF_BYCOMMAND) & MF_CHECKED) != 0,
                      accurate);
            EXPECT_EQ(session.dialog.AccurateDatums(), accurate);
            // The low 4 bits of the command are the system's; they are ignored.
            SendMessageW(session.hwnd, WM_SYSCOMMAND, IDM_DATUM_TRANSFORM | click, 0);
            accurate = !accurate;
        }
    }
}

TEST(Win32Dialog, KeysEndTheDialogAsNoButtonIsDefault) {
    for (const auto& [key, result] :
         {std::pair{VK_RETURN, kDialogOk}, {VK_ESCAPE, kDialogCancel}}) {
        Session session;
        session.Type(L"C:\\航點.gtm");
        // As the modal loop hands the dialog manager each message.
        MSG press{session.Item(IDC_GTM_PATH), WM_KEYDOWN, static_cast<WPARAM>(key), 0};
        IsDialogMessageW(session.hwnd, &press);
        EXPECT_EQ(session.face.result(), result) << "key " << key;
        EXPECT_EQ(TextOf(session.Item(IDC_WAYPOINT_COUNT)), "");  // Enter did not list
    }
}

}  // namespace
}  // namespace quendra
