// The whole datum table against PROJ (Debian's libproj-dev, its database proj.db from
// proj-data), a library the programs do not ship: the shifts against the EPSG
// transformations the table names, and the conversion of every row with a shift against
// PROJ's own `+towgs84` on the row's ellipsoid.
#include <gtest/gtest.h>
#include <proj.h>

#include <algorithm>
#include <charconv>
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

using Proj = std::unique_ptr<PJ, decltype(&proj_destroy)>;

Proj Own(PJ* pj) {
    return Proj(pj, proj_destroy);
}

std::string Number(double value) {
    char text[32];
    return std::string(text, std::to_chars(text, std::end(text), value).ptr);
}

// The EPSG transformation of a row, or of the row it is assumed equal to.
std::string EpsgOf(const Datum& datum) {
    if (*datum.epsg != '\0' || datum.basis != DatumBasis::Assumed) return datum.epsg;
    return FindDatum(datum.assumedFrom)->epsg;
}

// The shift of every row that names an EPSG transformation is that transformation's, as
// PROJ's database holds it, and so is the source datum's ellipsoid, except where EPSG puts
// the datum on another realisation of it than TR8350.2 (the Clarke 1880 and Everest
// variants: a up to 57 m, 1/f up to 0.0013 apart). There the shift is what is compared,
// and the ellipsoid only to its family, which still tells every other ellipsoid of the
// table apart but the Everest variants among themselves.
TEST(AccurateDatums, ShiftsAndEllipsoidsAreThoseOfTheEpsgTransformationNamed) {
    int compared = 0;
    for (const Datum& datum : KnownDatums()) {
        if (!datum.HasShift() || *datum.epsg == '\0') continue;
        SCOPED_TRACE(::testing::Message()
                     << datum.code << " " << datum.name << ", EPSG:" << datum.epsg);
        const Proj operation = Own(proj_create_from_database(
            nullptr, "EPSG", datum.epsg, PJ_CATEGORY_COORDINATE_OPERATION, 0, nullptr));
        ASSERT_TRUE(operation);
        double values[7];
        ASSERT_TRUE(proj_coordoperation_get_towgs84_values(nullptr, operation.get(), values, 7, 1));
        EXPECT_EQ(values[0], datum.dx);
        EXPECT_EQ(values[1], datum.dy);
        EXPECT_EQ(values[2], datum.dz);
        for (int i = 3; i < 7; ++i) EXPECT_EQ(values[i], 0.0) << "not a 3-parameter shift";
        const Proj target = Own(proj_get_target_crs(nullptr, operation.get()));
        EXPECT_STREQ(proj_get_name(target.get()), "WGS 84");

        const Proj source = Own(proj_get_source_crs(nullptr, operation.get()));
        const Proj ellipsoid = Own(proj_get_ellipsoid(nullptr, source.get()));
        double a = 0, inverseFlattening = 0;
        ASSERT_TRUE(proj_ellipsoid_get_parameters(nullptr, ellipsoid.get(), &a, nullptr, nullptr,
                                                  &inverseFlattening));
        const Ellipsoid& own = datum.ellipsoid;
        if (std::fabs(a - own.semiMajorAxis) > 1e-3 ||
            std::fabs(inverseFlattening - own.inverseFlattening) > 1e-7) {
            const std::string name = proj_get_name(ellipsoid.get());
            EXPECT_TRUE(name.starts_with("Clarke 1880") || name.starts_with("Everest")) << name;
            EXPECT_NEAR(a, own.semiMajorAxis, 60.0) << name;
            EXPECT_NEAR(inverseFlattening, own.inverseFlattening, 0.002) << name;
        }
        ++compared;
    }
    EXPECT_EQ(compared, 221);
}

// Every row with a shift moves a position as PROJ does with that shift on the row's own
// ellipsoid, within 1 mm, at the centre and the corners of the area of use of its EPSG
// transformation (a place the test names where there is none), and at the stored places
// of proj_positions.h, which PROJ must still put where they say.
TEST(AccurateDatums, EveryRowMovesPositionsAsProjTowgs84WithinOneMillimetre) {
    const std::map<std::uint16_t, std::pair<double, double>> kNamedPlaces = {
        {53, {58.6, 25.0}},     // Estonia
        {204, {1.35, 103.82}},  // Singapore
    };
    constexpr double kMetresPerDegree = 6378137.0 * std::numbers::pi / 180.0;
    int converted = 0;
    double largest = 0;
    for (const Datum& datum : KnownDatums()) {
        // WGS84 is kept as it is, never converted.
        if (!datum.HasShift() || datum.basis == DatumBasis::Wgs84) continue;
        SCOPED_TRACE(::testing::Message() << datum.code << " " << datum.name);
        std::vector<testing::ProjPosition> points;
        const std::string epsg = EpsgOf(datum);
        if (epsg.empty()) {
            ASSERT_TRUE(kNamedPlaces.contains(datum.code)) << "no place to check it at";
            const auto [latitude, longitude] = kNamedPlaces.at(datum.code);
            points.push_back({datum.code, nullptr, latitude, longitude});
        } else {
            const Proj operation = Own(proj_create_from_database(
                nullptr, "EPSG", epsg.c_str(), PJ_CATEGORY_COORDINATE_OPERATION, 0, nullptr));
            double west = 0, south = 0, east = 0, north = 0;
            ASSERT_TRUE(proj_get_area_of_use(nullptr, operation.get(), &west, &south, &east, &north,
                                             nullptr));
            if (east < west) east += 360;  // across the antimeridian
            for (const auto& [latitude, longitude] :
                 {std::pair{(south + north) / 2, (west + east) / 2},
                  {south, west},
                  {south, east},
                  {north, west},
                  {north, east}}) {
                points.push_back(
                    {datum.code, nullptr, latitude, longitude > 180 ? longitude - 360 : longitude});
            }
        }
        for (const testing::ProjPosition& p : testing::kProjPositions)
            if (p.code == datum.code) points.push_back(p);

        const std::string from = "+proj=longlat +a=" + Number(datum.ellipsoid.semiMajorAxis) +
                                 " +rf=" + Number(datum.ellipsoid.inverseFlattening) +
                                 " +towgs84=" + Number(datum.dx) + "," + Number(datum.dy) + "," +
                                 Number(datum.dz) + " +type=crs";
        const Proj raw = Own(proj_create_crs_to_crs(
            nullptr, from.c_str(), "+proj=longlat +datum=WGS84 +type=crs", nullptr));
        ASSERT_TRUE(raw) << from;
        // Longitude first, whatever the CRS definitions say.
        const Proj proj = Own(proj_normalize_for_visualization(nullptr, raw.get()));
        for (const testing::ProjPosition& p : points) {
            const PJ_COORD c =
                proj_trans(proj.get(), PJ_FWD, proj_coord(p.longitude, p.latitude, 0, 0));
            double latitude = p.latitude, longitude = p.longitude;
            ToWgs84(datum, latitude, longitude);
            const double east = std::remainder(longitude - c.lpz.lam, 360.0);
            const double off = std::hypot(latitude - c.lpz.phi,
                                          east * std::cos(c.lpz.phi * std::numbers::pi / 180)) *
                               kMetresPerDegree;
            largest = std::max(largest, off);
            EXPECT_LT(off, 0.001) << p.latitude << ", " << p.longitude;
            if (p.place != nullptr) {
                EXPECT_NEAR(c.lpz.phi, p.wgsLatitude, 1e-10) << p.place;
                EXPECT_NEAR(c.lpz.lam, p.wgsLongitude, 1e-10) << p.place;
            }
        }
        ++converted;
    }
    EXPECT_EQ(converted, 244);
    std::cout << converted << " datums, largest difference from PROJ " << largest << " m\n";
}

}  // namespace
}  // namespace quendra
