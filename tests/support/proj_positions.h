// Real places in each datum and where PROJ puts them on WGS84, for the runs that have no
// PROJ (Windows). Computed by PROJ 9.1.1 (Debian's libproj-dev) from
// "+proj=longlat +ellps=... +towgs84=dx,dy,dz" to "+proj=longlat +datum=WGS84" at
// height 0; the Linux test datum_proj_test checks that PROJ still gives them.
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
    {81, "Magong", 23.5656, 119.5863, 20.0f, 23.5639045455, 119.5943809950},
    {241, "Hehuanshan", 24.1419, 121.2711, 3417.0f, 24.1401246549, 121.2792603942},
    {80, "Tai Mo Shan", 22.4107, 114.1245, 957.0f, 22.4091738879, 114.1269585301},
    {207, "Fuji", 35.3606, 138.7274, 3776.0f, 35.3638754764, 138.7242814362},
    {208, "Tokyo", 35.6812, 139.7671, 3.0f, 35.6844665535, 139.7638801883},
    {209, "Naha", 26.2124, 127.6792, 10.0f, 26.2163640119, 127.6773502754},
    {210, "Hallasan", 33.3617, 126.5292, 1947.0f, 33.3649725305, 126.5272179567},
};

}  // namespace quendra::testing
