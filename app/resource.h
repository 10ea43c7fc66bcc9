// Ids of the dialog template, its controls and the application icon, shared by the
// dialog's steps, both faces and the Windows resource script (hence plain #defines).
#pragma once

#define IDD_CONVERTER_DIALOG 102
#define IDI_APP_ICON 128

#define IDC_STATIC (-1)
#define IDC_GTM_PATH 1003
#define IDC_BROWSE 1005
#define IDC_LIST_WAYPOINTS 1007
#define IDC_WAYPOINT_LIST 1008
#define IDC_WAYPOINT_COUNT 1010
#define IDC_CONVERT 1013

// The system menu's item for accurate datums: below 0xF000 and with the low 4 bits clear,
// as WM_SYSCOMMAND ids must be.
#define IDM_DATUM_TRANSFORM 0x0110
