// <windows.h> without the macros whose names the dialog's steps use themselves (the
// profile functions and the string table's LoadString).
#pragma once

#include <windows.h>

#undef GetProfileString
#undef WriteProfileString
#undef LoadString
