// Dialog template 102 as data: what the Qt face lays out and what the Windows resource
// script is checked against.
#pragma once

#include "app/resource.h"

namespace quendra {

inline constexpr char kDialogCaption[] = "Quendra 1.02 (GTM-->WTR)";
inline constexpr char kDialogFontFamily[] = "新細明體";
inline constexpr int kDialogFontPoints = 9;
inline constexpr int kDialogWidth = 262;
inline constexpr int kDialogHeight = 149;

enum class ControlKind { Static, Edit, Button, ListBox };
enum class TextAlignment { Left, CentreTop, Centre };

struct ControlTemplate {
    int id;
    ControlKind kind;
    const char* text;
    int x, y, width, height;  // dialog units
    TextAlignment alignment;
    bool sunken;
};

// In tab and creation order.
inline constexpr ControlTemplate kDialogControls[] = {
    {IDC_STATIC, ControlKind::Static, "GPS TrackMaker GTM檔案:", 7, 7, 124, 8, TextAlignment::Left,
     false},
    {IDC_GTM_PATH, ControlKind::Edit, "", 7, 22, 248, 14, TextAlignment::Left, false},
    {IDC_BROWSE, ControlKind::Button, "選擇檔案...", 151, 7, 50, 14, TextAlignment::Centre, false},
    {IDC_LIST_WAYPOINTS, ControlKind::Button, "列出航點", 205, 7, 50, 14, TextAlignment::Centre,
     false},
    {IDC_STATIC, ControlKind::Static, "GTM航點列表:", 7, 43, 68, 8, TextAlignment::Left, false},
    {IDC_WAYPOINT_LIST, ControlKind::ListBox, "", 7, 55, 88, 87, TextAlignment::Left, false},
    {IDC_WAYPOINT_COUNT, ControlKind::Static, "", 99, 132, 68, 10, TextAlignment::CentreTop, true},
    {IDC_CONVERT, ControlKind::Button, "轉成WTR檔...", 111, 51, 115, 28, TextAlignment::Centre,
     false},
    {IDC_STATIC, ControlKind::Static, "注意！轉換只含航點。", 112, 87, 115, 24,
     TextAlignment::Centre, true},
};

}  // namespace quendra
