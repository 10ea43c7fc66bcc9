// quendra.exe [FILE]: FILE, e.g. one dropped on the program's icon, is listed at start.
#include "app/win32/windows_api.h"

#include <commctrl.h>
#include <shellapi.h>

#include <string>

#include "app/converter_app.h"
#include "app/win32/win32_dialog_face.h"
#include "app/win32/win32_profile.h"
#include "platform/utf16.h"

namespace {

std::string FirstArgument() {
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (arguments == nullptr) return {};
    std::string first = count > 1 ? quendra::Utf8FromWide(arguments[1]) : std::string();
    LocalFree(arguments);
    return first;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    const INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    quendra::Win32Profile profile;
    quendra::Win32DialogFace face(instance);
    quendra::ConverterApp app(profile, face);
    app.InitInstance(FirstArgument());
    return 0;
}
