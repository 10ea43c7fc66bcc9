// The program's string table, by id: the two datum messages, which the dialog and gtm2wtr
// both show, and the dialog's datum menu item. The texts live here and nowhere else.
#pragma once

#include <string_view>

namespace quendra {

enum StringId : int {
    IDS_DATUM_HUTZUSHAN = 1,
    IDS_DATUM_UNSUPPORTED = 2,
    // The dialog's menu item that turns the accurate datum conversion on and off.
    IDS_DATUM_TRANSFORM_ACCURATE = 16,
};

inline constexpr std::string_view kDatumHuTzuShanText =
    "GTM檔案中使用的是「虎子山」大地座標系統(Datum)，轉至WTR檔案中所使用的WGS84會有誤差。"
    "建議在GTM中選用WGS84存檔，再來作轉檔較佳。要繼續嗎？選繼續的話，程式會運用簡單的公式轉換，"
    "誤差較大。";

inline constexpr std::string_view kDatumUnsupportedText =
    "GTM檔案中使用的大地座標系統(Datum)無法轉換，建議在GTM中選用WGS84存檔，再來作轉檔。";

inline constexpr std::string_view kDatumTransformAccurateText = "精確轉換大地座標系統(Datum)";

// UTF-8 text of a string-table entry; empty for an id the table does not hold.
constexpr std::string_view LoadString(int id) {
    switch (id) {
        case IDS_DATUM_HUTZUSHAN:
            return kDatumHuTzuShanText;
        case IDS_DATUM_UNSUPPORTED:
            return kDatumUnsupportedText;
        case IDS_DATUM_TRANSFORM_ACCURATE:
            return kDatumTransformAccurateText;
        default:
            return {};
    }
}

}  // namespace quendra
