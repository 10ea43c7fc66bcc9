// Ids of the dialog template, its controls and the application icon.
#pragma once

namespace quendra {

inline constexpr int IDD_CONVERTER_DIALOG = 102;
inline constexpr int IDI_APP_ICON = 128;

inline constexpr int IDC_STATIC = -1;
inline constexpr int IDC_GTM_PATH = 1003;
inline constexpr int IDC_BROWSE = 1005;
inline constexpr int IDC_LIST_WAYPOINTS = 1007;
inline constexpr int IDC_WAYPOINT_LIST = 1008;
inline constexpr int IDC_WAYPOINT_COUNT = 1010;
inline constexpr int IDC_CONVERT = 1013;

}  // namespace quendra
