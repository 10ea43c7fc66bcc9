// The accurate datum conversion against PROJ (Debian's libproj-dev), a library the
// programs do not ship: over a grid on each datum's region, within 1 cm, with the altitudes
// of real summits in the records so that an altitude taken for a height shows. PROJ gets
// the parameters from here, not from the program's table: its own ellipsoid by name and
// NIMA TR8350.2's (3rd ed., 1997) shift as `+towgs84=dx,dy,dz`, at height 0.
#include <gtest/gtest.h>
#include <proj.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "tests/support/fake_messages.h"
#include "tests/support/proj_positions.h"
#include "waypoints/gtm_waypoint_set.h"

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

void Apply(const Proj& proj, double& latitude, double& longitude) {
    const PJ_COORD c = proj_trans(proj.get(), PJ_FWD, proj_coord(longitude, latitude, 0, 0));
    longitude = c.lpz.lam;
    latitude = c.lpz.phi;
}

struct Region {
    double south, north, west, east;
};

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
    constexpr float kSummits[] = {3952.0f, 3776.0f, 1947.0f, 957.0f, 0.0f};
    constexpr int kSteps = 12;
    constexpr double kMetresPerDegree = 6378137.0 * std::numbers::pi / 180.0;
    for (const auto& [code, regions] : cases) {
        SCOPED_TRACE(code);
        const Proj proj = ProjToWgs84(code);
        ASSERT_TRUE(proj);
        GtmWaypointSet set;
        set.datumCode = code;
        set.count = static_cast<std::int32_t>(regions.size()) * (kSteps + 1) * (kSteps + 1);
        set.records = std::make_unique<GtmWaypoint[]>(static_cast<std::size_t>(set.count));
        int n = 0;
        for (const Region& r : regions) {
            for (int i = 0; i <= kSteps; ++i) {
                for (int j = 0; j <= kSteps; ++j, ++n) {
                    set.records[n].latitude = r.south + (r.north - r.south) * i / kSteps;
                    set.records[n].longitude = r.west + (r.east - r.west) * j / kSteps;
                    set.records[n].altitude = kSummits[n % 5];
                }
            }
        }
        const std::vector<GtmWaypoint> loaded(set.records.get(), set.records.get() + n);
        testing::FakeMessages messages;
        ASSERT_TRUE(set.CheckDatum(messages, DatumMode::Accurate));
        EXPECT_TRUE(messages.asked.empty() && messages.shown.empty());

        double largest = 0;
        for (int k = 0; k < n; ++k) {
            double latitude = loaded[k].latitude, longitude = loaded[k].longitude;
            Apply(proj, latitude, longitude);
            const GtmWaypoint& got = set.records[k];
            const double off = std::hypot(got.latitude - latitude,
                                          (got.longitude - longitude) *
                                              std::cos(latitude * std::numbers::pi / 180)) *
                               kMetresPerDegree;
            largest = std::max(largest, off);
            EXPECT_LT(off, 0.01) << loaded[k].latitude << ", " << loaded[k].longitude;
            EXPECT_EQ(got.altitude, loaded[k].altitude);
        }
        std::cout << "datum " << code << ": largest difference from PROJ " << largest << " m over "
                  << n << " points\n";
    }
}

// The positions stored for the runs without PROJ are PROJ's. Set
// QUENDRA_WRITE_PROJ_POSITIONS to a file name to write that header anew from PROJ.
TEST(AccurateDatums, StoredPositionsAreProjs) {
    std::string rows;
    for (const testing::ProjPosition& p : testing::kProjPositions) {
        SCOPED_TRACE(p.place);
        double latitude = p.latitude, longitude = p.longitude;
        Apply(ProjToWgs84(p.code), latitude, longitude);
        EXPECT_NEAR(latitude, p.wgsLatitude, 1e-10);
        EXPECT_NEAR(longitude, p.wgsLongitude, 1e-10);
        char row[200];
        std::snprintf(row, sizeof row, "    {%u, \"%s\", %.4f, %.4f, %.1ff, %.10f, %.10f},\n",
                      p.code, p.place, p.latitude, p.longitude, p.altitude, latitude, longitude);
        rows += row;
    }
    if (const char* out = std::getenv("QUENDRA_WRITE_PROJ_POSITIONS")) {
        std::ifstream in(QUENDRA_PROJ_POSITIONS_HEADER);
        const std::string text((std::istreambuf_iterator<char>(in)), {});
        const std::size_t begin = text.find("{\n", text.find("kProjPositions")) + 2;
        std::ofstream(out) << text.substr(0, begin) << rows << text.substr(text.find("};", begin));
    }
}

}  // namespace
}  // namespace quendra
