// The accurate datum conversion against PROJ (Debian's libproj-dev), a library the
// programs do not ship: over a grid on each datum's region, within 1 cm. PROJ gets
// the parameters from here, not from the program's table: its own ellipsoid by name and
// NIMA TR8350.2's (3rd ed., 1997) shift as `+towgs84=dx,dy,dz`, at height 0.
#include <gtest/gtest.h>
#include <proj.h>

#include <cmath>
#include <iostream>
#include <map>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "tests/support/proj_positions.h"
#include "waypoints/datums.h"

namespace quendra {
namespace {

const std::map<std::uint16_t, std::string> kProjParameters = {
    {80, "+ellps=intl +towgs84=-156,-271,-189"},  {81, "+ellps=intl +towgs84=-637,-549,-203"},
    {241, "+ellps=intl +towgs84=-637,-549,-203"}, {207, "+ellps=bessel +towgs84=-148,507,685"},
    {208, "+ellps=bessel +towgs84=-148,507,685"}, {209, "+ellps=bessel +towgs84=-158,507,676"},
    {210, "+ellps=bessel +towgs84=-146,507,687"},
};

using Proj = std::unique_ptr<PJ, decltype(&proj_destroy)>;

// Longitude first, whatever the CRS definitions say.
Proj ProjToWgs84(std::uint16_t code) {
    const std::string source = "+proj=longlat " + kProjParameters.at(code) + " +type=crs";
    Proj raw(proj_create_crs_to_crs(nullptr, source.c_str(), "+proj=longlat +datum=WGS84 +type=crs",
                                    nullptr),
             proj_destroy);
    return Proj(raw ? proj_normalize_for_visualization(nullptr, raw.get()) : nullptr, proj_destroy);
}

struct Region {
    double south, north, west, east;
};

// The stored places (proj_positions.h) go with their datum's grid, and PROJ must still put
// them where it is said to.
TEST(AccurateDatums, MatchProjOverEachRegionWithinOneCentimetre) {
    const Region taiwanAndPenghu{21.85, 25.35, 119.3, 122.05},
        hongKong{22.15, 22.57, 113.82, 114.45}, japan{30.9, 45.6, 129.4, 145.9},
        okinawa{24.0, 27.9, 122.9, 131.4}, southKorea{33.1, 38.7, 124.6, 131.9};
    const std::vector<std::pair<std::uint16_t, std::vector<Region>>> cases = {
        {81, {taiwanAndPenghu}},
        {241, {taiwanAndPenghu}},
        {80, {hongKong}},
        {207, {japan}},
        {208, {japan, okinawa, southKorea}},
        {209, {okinawa}},
        {210, {southKorea}},
    };
    constexpr int kSteps = 12;
    constexpr double kMetresPerDegree = 6378137.0 * std::numbers::pi / 180.0;
    for (const auto& [code, regions] : cases) {
        SCOPED_TRACE(code);
        const Proj proj = ProjToWgs84(code);
        ASSERT_TRUE(proj);
        std::vector<testing::ProjPosition> points;
        for (const Region& r : regions) {
            for (int i = 0; i <= kSteps; ++i) {
                for (int j = 0; j <= kSteps; ++j) {
                    points.push_back({code, nullptr, r.south + (r.north - r.south) * i / kSteps,
                                      r.west + (r.east - r.west) * j / kSteps});
                }
            }
        }
        for (const testing::ProjPosition& p : testing::kProjPositions)
            if (p.code == code) points.push_back(p);
        const Datum* datum = FindDatum(code);
        ASSERT_NE(datum, nullptr);
        double largest = 0;
        for (std::size_t k = 0; k < points.size(); ++k) {
            const testing::ProjPosition& p = points[k];
            const PJ_COORD c =
                proj_trans(proj.get(), PJ_FWD, proj_coord(p.longitude, p.latitude, 0, 0));
            const double latitude = c.lpz.phi, longitude = c.lpz.lam;
            double gotLatitude = p.latitude, gotLongitude = p.longitude;
            ToWgs84(*datum, gotLatitude, gotLongitude);
            const double off = std::hypot(gotLatitude - latitude,
                                          (gotLongitude - longitude) *
                                              std::cos(latitude * std::numbers::pi / 180)) *
                               kMetresPerDegree;
            largest = std::max(largest, off);
            EXPECT_LT(off, 0.01) << p.latitude << ", " << p.longitude;
            if (p.place != nullptr) {
                EXPECT_NEAR(latitude, p.wgsLatitude, 1e-10) << p.place;
                EXPECT_NEAR(longitude, p.wgsLongitude, 1e-10) << p.place;
            }
        }
        std::cout << "datum " << code << ": largest difference from PROJ " << largest << " m over "
                  << points.size() << " points\n";
    }
}

}  // namespace
}  // namespace quendra
