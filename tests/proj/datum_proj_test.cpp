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
#include <memory>
#include <string>
#include <vector>

#include "tests/support/fake_messages.h"
#include "tests/support/proj_positions.h"
#include "waypoints/datums.h"
#include "waypoints/gtm_waypoint_set.h"

namespace quendra {
namespace {

const char* Parameters(std::uint16_t code) {
    switch (code) {
        case 80:
            return "+ellps=intl +towgs84=-156,-271,-189";
        case 81:
        case 241:
            return "+ellps=intl +towgs84=-637,-549,-203";
        case 207:
        case 208:
            return "+ellps=bessel +towgs84=-148,507,685";
        case 209:
            return "+ellps=bessel +towgs84=-158,507,676";
        case 210:
            return "+ellps=bessel +towgs84=-146,507,687";
        default:
            return "";
    }
}

class ProjToWgs84 {
public:
    explicit ProjToWgs84(std::uint16_t code) : context_(proj_context_create()) {
        const std::string source =
            "+proj=longlat " + std::string(Parameters(code)) + " +no_defs +type=crs";
        PJ* raw = proj_create_crs_to_crs(context_, source.c_str(),
                                         "+proj=longlat +datum=WGS84 +no_defs +type=crs", nullptr);
        // Longitude first, whatever the CRS definitions say.
        transform_ = raw ? proj_normalize_for_visualization(context_, raw) : nullptr;
        proj_destroy(raw);
    }
    ~ProjToWgs84() {
        proj_destroy(transform_);
        proj_context_destroy(context_);
    }
    bool ok() const { return transform_ != nullptr; }
    void Apply(double& latitude, double& longitude) const {
        PJ_COORD c = proj_coord(longitude, latitude, 0.0, 0.0);
        c = proj_trans(transform_, PJ_FWD, c);
        longitude = c.lpz.lam;
        latitude = c.lpz.phi;
    }

private:
    PJ_CONTEXT* context_;
    PJ* transform_ = nullptr;
};

// Metres between two nearby positions on the WGS84 sphere of radius a.
double Metres(double lat1, double lon1, double lat2, double lon2) {
    constexpr double kMetresPerDegree = 6378137.0 * 3.14159265358979323846 / 180.0;
    const double north = (lat2 - lat1) * kMetresPerDegree;
    const double east = (lon2 - lon1) * kMetresPerDegree * std::cos(lat1 * 3.14159265 / 180.0);
    return std::hypot(north, east);
}

struct Region {
    double south, north, west, east;
};
constexpr Region kTaiwanAndPenghu{21.85, 25.35, 119.3, 122.05};
constexpr Region kHongKong{22.15, 22.57, 113.82, 114.45};
constexpr Region kJapan{30.9, 45.6, 129.4, 145.9};
constexpr Region kOkinawa{24.0, 27.9, 122.9, 131.4};
constexpr Region kSouthKorea{33.1, 38.7, 124.6, 131.9};

TEST(AccurateDatums, MatchProjOverEachRegionWithinOneCentimetre) {
    struct Case {
        std::uint16_t code;
        std::vector<Region> regions;
    };
    const Case cases[] = {
        {81, {kTaiwanAndPenghu}},
        {241, {kTaiwanAndPenghu}},
        {80, {kHongKong}},
        {207, {kJapan}},
        {208, {kJapan, kOkinawa, kSouthKorea}},
        {209, {kOkinawa}},
        {210, {kSouthKorea}},
    };
    constexpr float kSummits[] = {3952.0f, 3776.0f, 1947.0f, 957.0f, 0.0f};
    constexpr int kSteps = 12;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        ProjToWgs84 proj(c.code);
        ASSERT_TRUE(proj.ok());

        GtmWaypointSet set;
        set.datumCode = c.code;
        set.count = static_cast<std::int32_t>(c.regions.size()) * (kSteps + 1) * (kSteps + 1);
        set.records = std::make_unique<GtmWaypoint[]>(static_cast<std::size_t>(set.count));
        int n = 0;
        for (const Region& r : c.regions) {
            for (int i = 0; i <= kSteps; ++i) {
                for (int j = 0; j <= kSteps; ++j, ++n) {
                    set.records[n].latitude = r.south + (r.north - r.south) * i / kSteps;
                    set.records[n].longitude = r.west + (r.east - r.west) * j / kSteps;
                    set.records[n].altitude = kSummits[n % 5];
                }
            }
        }
        const std::unique_ptr<GtmWaypoint[]> loaded(new GtmWaypoint[n]);
        std::copy_n(set.records.get(), n, loaded.get());
        testing::FakeMessages messages;
        ASSERT_TRUE(set.CheckDatum(messages, DatumMode::Accurate));
        EXPECT_TRUE(messages.asked.empty() && messages.shown.empty());

        double largest = 0;
        for (int k = 0; k < n; ++k) {
            double latitude = loaded[k].latitude, longitude = loaded[k].longitude;
            proj.Apply(latitude, longitude);
            const GtmWaypoint& got = set.records[k];
            const double off = Metres(latitude, longitude, got.latitude, got.longitude);
            largest = std::max(largest, off);
            EXPECT_LT(off, 0.01) << loaded[k].latitude << ", " << loaded[k].longitude;
            EXPECT_EQ(got.altitude, loaded[k].altitude);
        }
        std::cout << "datum " << c.code << ": largest difference from PROJ " << largest
                  << " m over " << n << " points\n";
    }
}

// The positions stored for the runs without PROJ are PROJ's. Set
// QUENDRA_WRITE_PROJ_POSITIONS to a file name to write that header anew from PROJ.
TEST(AccurateDatums, StoredPositionsAreProjs) {
    std::string rows;
    for (const testing::ProjPosition& p : testing::kProjPositions) {
        SCOPED_TRACE(p.place);
        ProjToWgs84 proj(p.code);
        ASSERT_TRUE(proj.ok());
        double latitude = p.latitude, longitude = p.longitude;
        proj.Apply(latitude, longitude);
        EXPECT_NEAR(latitude, p.wgsLatitude, 1e-10);
        EXPECT_NEAR(longitude, p.wgsLongitude, 1e-10);
        char row[200];
        std::snprintf(row, sizeof row, "    {%u, \"%s\", %.4f, %.4f, %.1ff, %.10f, %.10f},\n",
                      p.code, p.place, p.latitude, p.longitude, p.altitude, latitude, longitude);
        rows += row;
    }
    if (const char* out = std::getenv("QUENDRA_WRITE_PROJ_POSITIONS")) {
        std::ifstream in(QUENDRA_PROJ_POSITIONS_HEADER);
        std::string text((std::istreambuf_iterator<char>(in)), {});
        const std::size_t begin = text.find("{\n", text.find("kProjPositions")) + 2;
        const std::size_t end = text.find("};", begin);
        std::ofstream(out) << text.substr(0, begin) << rows << text.substr(end);
    }
}

}  // namespace
}  // namespace quendra
