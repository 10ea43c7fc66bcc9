// The program's string table, by id: the two datum messages, which the dialog and gtm2wtr
// both show, the dialog's datum menu item and its words for a save or listing that failed. The
// texts live here and nowhere else.
#pragma once

#include <string_view>

namespace quendra {

enum StringId : int {
    IDS_DATUM_HUTZUSHAN = 1,
    IDS_DATUM_UNSUPPORTED = 2,
    // The dialog's menu item that turns the accurate datum conversion on and off.
    IDS_DATUM_TRANSFORM_ACCURATE = 16,
    // A chosen WTR file not written (%1 the file, %2 the cause), or written but not yet
    // safe on the disk; then the causes that are ours rather than the system's.
    IDS_SAVE_FAILED = 20,
    IDS_SAVE_NOT_DURABLE,
    IDS_CAUSE_SAME_FILE,
    IDS_CAUSE_NOT_REGULAR_FILE,
    IDS_CAUSE_READ_ONLY,
    IDS_CAUSE_FOLDER_NOT_WRITABLE,
    IDS_CAUSE_BAD_POSITION,  // %1 the waypoint's number, %2 its name
    IDS_CAUSE_OWNER_ONLY_FOLDER,
    // A file the user asked to list that gave no waypoints (%1 the file, %2 the cause), or
    // Convert with none listed; then the causes.
    IDS_LIST_FAILED = 40,
    IDS_NOTHING_LISTED,
    IDS_CAUSE_NO_SUCH_FILE,
    IDS_CAUSE_UNREADABLE,  // %1 the system's reason
    IDS_CAUSE_NOT_GTM,
    IDS_CAUSE_DAMAGED,
    IDS_CAUSE_COMPRESSED_DAMAGED,
    IDS_CAUSE_NO_WAYPOINTS,
    IDS_CAUSE_XML_BROKEN,   // %1 the line
    IDS_CAUSE_XML_REFUSED,  // %1 the line
};

inline constexpr std::string_view kDatumHuTzuShanText =
    "GTM檔案中使用的是「虎子山」大地座標系統(Datum)，轉至WTR檔案中所使用的WGS84會有誤差。"
    "建議在GTM中選用WGS84存檔，再來作轉檔較佳。要繼續嗎？選繼續的話，程式會運用簡單的公式轉換，"
    "誤差較大。";

inline constexpr std::string_view kDatumUnsupportedText =
    "GTM檔案中使用的大地座標系統(Datum)無法轉換，建議在GTM中選用WGS84存檔，再來作轉檔。";

inline constexpr std::string_view kDatumTransformAccurateText = "精確轉換大地座標系統(Datum)";
inline constexpr std::string_view kSaveFailedText = "無法寫入WTR檔案：\n%1\n\n原因：%2";
inline constexpr std::string_view kSaveNotDurableText =
    "WTR檔案已寫入，但資料夾未能同步到磁碟，若系統當機，新檔案可能不會保留：\n%1\n\n原因：%2";
inline constexpr std::string_view kCauseSameFileText = "這正是目前轉換的GTM檔案。";
inline constexpr std::string_view kCauseNotRegularFileText = "這不是一般檔案（例如資料夾或裝置）。";
inline constexpr std::string_view kCauseReadOnlyText = "這個檔案是唯讀的。";
inline constexpr std::string_view kCauseFolderNotWritableText = "這個資料夾不允許建立檔案。";
inline constexpr std::string_view kCauseOwnerOnlyFolderText =
    "這個資料夾只允許檔案的擁有者取代它。";
inline constexpr std::string_view kCauseBadPositionText =
    "第%1個航點「%2」的座標超出WTR檔案能記錄的範圍。";
inline constexpr std::string_view kListFailedText = "無法列出航點：\n%1\n\n原因：%2";
inline constexpr std::string_view kNothingListedText = "尚未列出任何GTM檔案的航點。";
inline constexpr std::string_view kCauseNoSuchFileText = "找不到這個檔案。";
inline constexpr std::string_view kCauseUnreadableText = "無法讀取這個檔案：%1";
inline constexpr std::string_view kCauseNotGtmText = "這既不是GTM檔案，也不是GPX檔案。";
inline constexpr std::string_view kCauseDamagedText = "檔案不完整或已損壞。";
inline constexpr std::string_view kCauseCompressedDamagedText = "檔案中壓縮的資料已損壞。";
inline constexpr std::string_view kCauseNoWaypointsText = "這個檔案中沒有航點。";
inline constexpr std::string_view kCauseXmlBrokenText = "GPX檔案的XML格式在第%1行有誤。";
inline constexpr std::string_view kCauseXmlRefusedText =
    "GPX檔案在第%1行含有不接受的內容（DTD、實體，或層次過深、內容過長）。";

// UTF-8 text of a string-table entry; empty for an id the table does not hold.
constexpr std::string_view LoadString(int id) {
    switch (id) {
        case IDS_DATUM_HUTZUSHAN:
            return kDatumHuTzuShanText;
        case IDS_DATUM_UNSUPPORTED:
            return kDatumUnsupportedText;
        case IDS_DATUM_TRANSFORM_ACCURATE:
            return kDatumTransformAccurateText;
        case IDS_SAVE_FAILED:
            return kSaveFailedText;
        case IDS_SAVE_NOT_DURABLE:
            return kSaveNotDurableText;
        case IDS_CAUSE_SAME_FILE:
            return kCauseSameFileText;
        case IDS_CAUSE_NOT_REGULAR_FILE:
            return kCauseNotRegularFileText;
        case IDS_CAUSE_READ_ONLY:
            return kCauseReadOnlyText;
        case IDS_CAUSE_FOLDER_NOT_WRITABLE:
            return kCauseFolderNotWritableText;
        case IDS_CAUSE_BAD_POSITION:
            return kCauseBadPositionText;
        case IDS_CAUSE_OWNER_ONLY_FOLDER:
            return kCauseOwnerOnlyFolderText;
        case IDS_LIST_FAILED:
            return kListFailedText;
        case IDS_NOTHING_LISTED:
            return kNothingListedText;
        case IDS_CAUSE_NO_SUCH_FILE:
            return kCauseNoSuchFileText;
        case IDS_CAUSE_UNREADABLE:
            return kCauseUnreadableText;
        case IDS_CAUSE_NOT_GTM:
            return kCauseNotGtmText;
        case IDS_CAUSE_DAMAGED:
            return kCauseDamagedText;
        case IDS_CAUSE_COMPRESSED_DAMAGED:
            return kCauseCompressedDamagedText;
        case IDS_CAUSE_NO_WAYPOINTS:
            return kCauseNoWaypointsText;
        case IDS_CAUSE_XML_BROKEN:
            return kCauseXmlBrokenText;
        case IDS_CAUSE_XML_REFUSED:
            return kCauseXmlRefusedText;
        default:
            return {};
    }
}

}  // namespace quendra
