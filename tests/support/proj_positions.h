// Real places in each datum and where PROJ puts them on WGS84, for the runs that have no
// PROJ (Windows). Computed by PROJ 9.1.1 (Debian's libproj-dev) from
// "+proj=longlat +ellps=... +towgs84=dx,dy,dz" to "+proj=longlat +datum=WGS84" at
// height 0; the Linux test datum_proj_test checks that PROJ still gives them, and
// QUENDRA_WRITE_PROJ_POSITIONS=FILE datum_proj_test writes this file anew.
// Altitudes are the places' own, in metres.
#pragma once

#include <cstdint>

namespace quendra::testing {

struct ProjPosition {
    std::uint16_t code;
    const char* place;
    double latitude, longitude;
    float altitude;
    double wgsLatitude, wgsLongitude;
};

inline constexpr ProjPosition kProjPositions[] = {
    {81, "Yushan", 23.4700, 120.9572, 3952.0f, 23.4682317888, 120.9653109726},
    {81, "Eluanbi", 21.9020, 120.8530, 56.0f, 21.9002162754, 120.8610166989},
    {81, "Magong", 23.5656, 119.5863, 20.0f, 23.5639045455, 119.5943809950},
    {241, "Hehuanshan", 24.1419, 121.2711, 3417.0f, 24.1401246549, 121.2792603942},
    {241, "Kaohsiung", 22.6273, 120.3014, 12.0f, 22.6255533122, 120.3094442090},
    {80, "Tai Mo Shan", 22.4107, 114.1245, 957.0f, 22.4091738879, 114.1269585301},
    {80, "Victoria Peak", 22.2759, 114.1455, 552.0f, 22.2743711713, 114.1479568201},
    {207, "Fuji", 35.3606, 138.7274, 3776.0f, 35.3638754764, 138.7242814362},
    {207, "Sapporo", 43.0621, 141.3544, 20.0f, 43.0645454586, 141.3506734373},
    {208, "Tokyo", 35.6812, 139.7671, 3.0f, 35.6844665535, 139.7638801883},
    {208, "Kagoshima", 31.5966, 130.5571, 5.0f, 31.6001215734, 130.5548112096},
    {209, "Naha", 26.2124, 127.6792, 10.0f, 26.2163640119, 127.6773502754},
    {209, "Yonaha-dake", 26.7181, 128.2181, 503.0f, 26.7220177689, 128.2161951959},
    {210, "Hallasan", 33.3617, 126.5292, 1947.0f, 33.3649725305, 126.5272179567},
    {210, "Seoul", 37.5665, 126.9780, 38.0f, 37.5692775483, 126.9758682412},
};

}  // namespace quendra::testing
