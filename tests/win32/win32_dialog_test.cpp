// The Win32 face over the real steps and the real template 102, with fake file dialogs,
// message boxes and profile; the registry profile on its own key.
#include "app/win32/windows_api.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <cstring>
#include <functional>

#include "app/converter_dialog.h"
#include "app/dialog_template.h"
#include "app/win32/dialog_face.h"
#include "app/win32/registry_profile.h"
#include "app/win32/wide_text.h"
#include "tests/support/fake_dialog.h"
#include "tests/support/fake_messages.h"
#include "tests/support/gtm_builder.h"
#include "tests/support/temp_dir.h"
#include "waypoints/wtr_waypoint_set.h"

namespace quendra {
namespace {

using namespace quendra::testing;
using namespace std::string_literals;

std::string Utf8(const std::filesystem::path& path) {
    return Utf8FromWide(path.wstring());
}

// One dialog window over fresh fakes, created from the resource as quendra.exe creates it.
struct Session {
    Session() { hwnd = face.CreateModeless(dialog); }
    ~Session() {
        if (IsWindow(hwnd)) DestroyWindow(hwnd);
    }

    HWND Item(int id) const { return GetDlgItem(hwnd, id); }
    std::wstring Text(int id) const {
        wchar_t text[1024] = L"";
        GetDlgItemTextW(hwnd, id, text, 1024);
        return text;
    }
    void Type(const std::filesystem::path& path) {
        SendMessageW(Item(IDC_GTM_PATH), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    }
    void Click(int id) { SendMessageW(Item(id), BM_CLICK, 0, 0); }
    void Drop(const std::filesystem::path& path) {
        const std::wstring name = path.wstring();
        // Zeroed, so the list of names ends with two nulls.
        HGLOBAL drop = GlobalAlloc(GHND, sizeof(DROPFILES) + (name.size() + 2) * sizeof(wchar_t));
        auto* files = static_cast<DROPFILES*>(GlobalLock(drop));
        files->pFiles = sizeof(DROPFILES);
        files->fWide = TRUE;
        std::memcpy(files + 1, name.c_str(), name.size() * sizeof(wchar_t));
        GlobalUnlock(drop);
        SendMessageW(hwnd, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
    }
    // Runs posted input through the dialog manager, as the modal loop does.
    void Pump() {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (IsWindow(hwnd) && IsDialogMessageW(hwnd, &message)) continue;
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    std::vector<std::wstring> Lines() const {
        std::vector<std::wstring> lines;
        const auto count = SendDlgItemMessageW(hwnd, IDC_WAYPOINT_LIST, LB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < count; ++i) {
            std::wstring line(SendDlgItemMessageW(hwnd, IDC_WAYPOINT_LIST, LB_GETTEXTLEN, i, 0) + 1,
                              L'\0');
            line.resize(SendDlgItemMessageW(hwnd, IDC_WAYPOINT_LIST, LB_GETTEXT, i,
                                            reinterpret_cast<LPARAM>(line.data())));
            lines.push_back(line);
        }
        return lines;
    }

    Win32DialogFace face{GetModuleHandleW(nullptr)};
    FakeFileDialogs files;
    FakeMessages messages;
    FakeProfile profile;
    ConverterDialog dialog{{face, files, messages, profile}};
    HWND hwnd = nullptr;
};

// Two waypoints, the first named 玉山 in Big5, in a folder and file with non-ASCII names.
class Win32DialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directory(dir / L"航點");
        WriteBytes(gtm, GtmBuilder()
                            .Add({.name = "\xA5\xC9\xA4\x73", .altitude = 3952.0f})
                            .Add({.name = "Qixing", .altitude = 1120.0f})
                            .Build());
    }

    TempDir dir;
    const std::filesystem::path gtm = dir / L"航點" / L"台北 101.gtm";
};

TEST_F(Win32DialogTest, ResourceFollowsTheTemplate) {
    Session session;
    const HWND hwnd = session.hwnd;
    ASSERT_NE(hwnd, nullptr);
    wchar_t caption[64] = L"";
    GetWindowTextW(hwnd, caption, 64);
    EXPECT_EQ(Utf8FromWide(caption), kDialogCaption);
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

    // More lines than fit, so the list shows the scroll bar its style asks for.
    for (int i = 0; i < 50; ++i) {
        SendDlgItemMessageW(hwnd, IDC_WAYPOINT_LIST, LB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(L"line"));
    }
    const wchar_t* const classes[] = {L"Static", L"Edit", L"Button", L"ListBox"};
    HWND child = GetWindow(hwnd, GW_CHILD);
    for (const ControlTemplate& control : kDialogControls) {
        SCOPED_TRACE(control.text);
        ASSERT_NE(child, nullptr);
        EXPECT_EQ(GetDlgCtrlID(child), control.id);
        wchar_t name[32] = L"";
        GetClassNameW(child, name, 32);
        EXPECT_EQ(_wcsicmp(name, classes[static_cast<int>(control.kind)]), 0) << Utf8FromWide(name);
        wchar_t text[64] = L"";
        GetWindowTextW(child, text, 64);
        EXPECT_EQ(Utf8FromWide(text), control.text);
        // Position and size are mapped apart, as the dialog manager maps them.
        RECT expected{control.x, control.y, control.width, control.height};
        MapDialogRect(hwnd, &expected);
        RECT actual;
        GetWindowRect(child, &actual);
        MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&actual), 2);
        EXPECT_EQ(std::tuple(actual.left, actual.top, actual.right - actual.left,
                             actual.bottom - actual.top),
                  std::tuple(expected.left, expected.top, expected.right, expected.bottom));

        const LONG style = GetWindowLongW(child, GWL_STYLE);
        const auto has = [style](LONG bits) { return (style & bits) == bits; };
        // Dialogs turn WS_BORDER on edits and lists into a client edge.
        const bool border =
            has(WS_BORDER) || (GetWindowLongW(child, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
        switch (control.kind) {
            case ControlKind::Static:
                EXPECT_EQ(style & SS_TYPEMASK,
                          control.alignment == TextAlignment::Left ? SS_LEFT : SS_CENTER);
                EXPECT_EQ(has(SS_CENTERIMAGE), control.alignment == TextAlignment::Centre);
                EXPECT_EQ(has(SS_SUNKEN), control.sunken);
                EXPECT_TRUE(has(WS_GROUP));
                break;
            case ControlKind::Edit:
                EXPECT_TRUE(has(ES_AUTOHSCROLL | WS_TABSTOP) && border);
                break;
            case ControlKind::Button:  // none is the default button
                EXPECT_EQ(style & BS_TYPEMASK, BS_PUSHBUTTON);
                EXPECT_TRUE(has(WS_TABSTOP));
                break;
            case ControlKind::ListBox:
                EXPECT_FALSE(has(LBS_SORT));
                EXPECT_TRUE(has(LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_TABSTOP) &&
                            border);
                break;
        }
        child = GetWindow(child, GW_HWNDNEXT);
    }
    EXPECT_EQ(child, nullptr);
}

TEST_F(Win32DialogTest, EveryWayInListsTheFile) {
    const struct {
        const char* how;
        std::function<void(Session&, const std::filesystem::path&)> put;
    } ways[] = {
        {"typed and listed",
         [](Session& s, auto& path) {
             s.Type(path);
             s.Click(IDC_LIST_WAYPOINTS);
         }},
        {"chosen in the open dialog",
         [](Session& s, auto& path) {
             s.files.answers.push_back(Utf8(path));
             s.Click(IDC_BROWSE);
         }},
        {"dropped", [](Session& s, auto& path) { s.Drop(path); }},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.how);
        Session session;
        way.put(session, gtm);
        EXPECT_EQ(session.Text(IDC_GTM_PATH), gtm.wstring());
        EXPECT_EQ(session.profile.GetProfileString("Dialog", "GTMFile", ""), Utf8(gtm));
        EXPECT_EQ(session.Text(IDC_WAYPOINT_COUNT), L"2");
        const std::vector<std::wstring> lines = session.Lines();
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_EQ(lines[1], L"Qixing     1120");
    }
}

TEST_F(Win32DialogTest, NamesAreShownFromTheAnsiCodePage) {
    if (GetACP() != 950) GTEST_SKIP() << "needs ANSI code page 950, have " << GetACP();
    Session session;
    session.Type(gtm);
    session.Click(IDC_LIST_WAYPOINTS);
    EXPECT_EQ(session.Lines().at(0), L"玉山       3952");
}

TEST_F(Win32DialogTest, FileDialogsGetTheRequestInWin32Form) {
    Session session;
    session.Type(gtm);
    session.Click(IDC_BROWSE);  // cancelled
    session.Click(IDC_LIST_WAYPOINTS);
    session.profile.values[{"Dialog", "WTRFile"}] = "C:\\輸出\\上次.wtr";
    session.Click(IDC_CONVERT);  // cancelled
    ASSERT_EQ(session.files.requests.size(), 2u);
    const struct {
        std::wstring filter;
        const wchar_t* defaultExtension;
        std::wstring initialDirectory;
    } expected[] = {
        {L"GPS TrackMaker Files (*.gtm;*.gtz)\0*.gtm;*.gtz\0\0"s, nullptr, gtm.wstring()},
        {L"Garmin WTR Files (*.wtr)\0*.wtr\0\0"s, L"wtr", L"C:\\輸出\\上次.wtr"},
    };
    for (std::size_t i = 0; i < 2; ++i) {
        OpenFileName dialog(session.files.requests[i], session.hwnd);
        const OPENFILENAMEW& info = dialog.get();
        const wchar_t* end = info.lpstrFilter;
        while (*end != L'\0' || end[1] != L'\0') ++end;  // up to the double null
        EXPECT_EQ(std::wstring(info.lpstrFilter, end + 2), expected[i].filter);
        EXPECT_EQ(info.lpstrDefExt == nullptr, expected[i].defaultExtension == nullptr);
        if (info.lpstrDefExt) {
            EXPECT_STREQ(info.lpstrDefExt, expected[i].defaultExtension);
        }
        EXPECT_EQ(info.lpstrInitialDir, expected[i].initialDirectory);
        EXPECT_EQ(info.Flags, 0x804u);
        EXPECT_EQ(info.hwndOwner, session.hwnd);
        EXPECT_EQ(info.lpstrFile[0], L'\0');
        EXPECT_GE(info.nMaxFile, 32768u);
    }
    EXPECT_TRUE(IsWindow(session.hwnd));
    EXPECT_EQ(session.face.result(), 0);
}

TEST_F(Win32DialogTest, ConvertWritesAndClosesTheWindow) {
    Session session;
    session.Type(gtm);
    session.Click(IDC_LIST_WAYPOINTS);
    const std::filesystem::path wtr = dir / L"航點" / L"輸出.wtr";
    session.files.answers.push_back(Utf8(wtr));
    session.Click(IDC_CONVERT);
    VectorLineSink written;
    WtrWaypointSet read;
    EXPECT_TRUE(read.Load(wtr, written));
    EXPECT_EQ(written.lines.back(), "Qixing     1120");
    EXPECT_EQ(session.face.result(), kDialogOk);
    EXPECT_FALSE(IsWindow(session.hwnd));
    EXPECT_EQ(session.dialog.waypointSet(), nullptr);  // released as the window went
}

TEST_F(Win32DialogTest, KeysEndTheDialogAsNoButtonIsDefault) {
    for (const auto& [key, result] :
         {std::pair{VK_RETURN, kDialogOk}, {VK_ESCAPE, kDialogCancel}}) {
        Session session;
        session.Type(gtm);
        SetFocus(session.Item(IDC_GTM_PATH));
        PostMessageW(session.Item(IDC_GTM_PATH), WM_KEYDOWN, key, 0);
        session.Pump();
        EXPECT_EQ(session.face.result(), result) << "key " << key;
        EXPECT_EQ(session.Lines().size(), 0u);  // Enter did not list
    }
}

TEST(RegistryProfileTest, StringsRoundTripUnderTheApplicationKey) {
    RegistryProfile profile;
    profile.SetRegistryKey(kRegistryKey);
    EXPECT_EQ(profile.SectionKey(kProfileSection), L"Software\\Tavrin\\Moskel\\Dialog");

    profile.SetRegistryKey("Quendra Tests\\Win32");
    const std::string path = "C:\\航點\\台北 101.gtm";
    EXPECT_EQ(profile.GetProfileString("Dialog", "GTMFile", "none"), "none");
    EXPECT_TRUE(profile.WriteProfileString("Dialog", "GTMFile", path));
    RegistryProfile later;
    later.SetRegistryKey("Quendra Tests\\Win32");
    EXPECT_EQ(later.GetProfileString("Dialog", "GTMFile"), path);
    DWORD type = 0;
    EXPECT_EQ(RegGetValueW(HKEY_CURRENT_USER, L"Software\\Quendra Tests\\Win32\\Dialog", L"GTMFile",
                           RRF_RT_ANY, &type, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Quendra Tests");
}

}  // namespace
}  // namespace quendra
