// Building, writing and reading back WTR files, down to the byte.
#include "waypoints/wtr_waypoint_set.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "tests/support/temp_dir.h"
#include "waypoints/datums.h"

namespace quendra {
namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

GtmWaypoint Gtm(const std::string& name10, double latitude, double longitude, float altitude,
                std::uint16_t icon) {
    GtmWaypoint w{{}, latitude, longitude, altitude, icon};
    std::memcpy(w.name, name10.data(), std::min<std::size_t>(name10.size(), 10));
    return w;
}

// Little-endian, as the tests' machines are.
template <typename T>
void Put(Bytes& bytes, std::size_t at, T value) {
    std::memcpy(&bytes[at], &value, sizeof value);
}

// Builds the set, saves it as out.wtr in `dir` and returns the file's bytes.
Bytes SaveAndRead(const std::vector<GtmWaypoint>& waypoints, testing::TempDir& dir) {
    WtrWaypointSet set;
    EXPECT_TRUE(set.BuildFrom(static_cast<std::int32_t>(waypoints.size()), waypoints.data()));
    EXPECT_TRUE(set.Save(dir / "out.wtr"));
    return testing::ReadBytes(dir / "out.wtr");
}

TEST(ToSemicircles, TruncatesTowardZeroOrHasNoValueForWhatCannotBeStored) {
    // 180.00001 still fits, so it is kept: wrapping is for BuildFrom.
    const std::pair<double, std::int32_t> cases[] = {
        {25.0, 298261600},       {121.5, 1449551376},     {23.97, 285973222}, {-0.7, -8351324},
        {180.0, 2147483520},     {-180.0, -2147483520},   {0.0, 0},           {24.99822, 298240363},
        {121.50823, 1449649563}, {180.00001, 2147483639},
    };
    for (auto [degrees, semicircles] : cases) EXPECT_EQ(ToSemicircles(degrees), semicircles);
    for (double degrees : {180.00723, -180.00723, 1e300, kInf, -kInf, kNaN}) {
        EXPECT_EQ(ToSemicircles(degrees), std::nullopt) << degrees;
    }
}

// Degrees written as GPX from a WTR file, in their shortest text, read back to the same units:
// every unit near zero and the ends, and a spread between.
TEST(FromSemicircles, GivesDegreesThatTruncateBackToTheSameUnits) {
    int wrong = 0;
    for (std::int64_t base : {0LL, 1073741760LL, 2147483520LL - 5000, -2147483520LL + 5000}) {
        for (std::int64_t step = -5000; step <= 5000; ++step) {
            const auto units =
                static_cast<std::int32_t>(base + step * (base == 1073741760 ? 99991 : 1));
            char text[32];
            const char* end = std::to_chars(text, std::end(text), FromSemicircles(units)).ptr;
            double degrees = 0;
            std::from_chars(text, end, degrees);
            wrong += ToSemicircles(degrees) != units;
        }
    }
    EXPECT_EQ(wrong, 0);
}

// The save writes 1 MiB of records at a time: 16384 records, the first block after the
// 16-byte marker. Every byte is as laid out, each record whole in its place with nothing of
// another or of the old file: names get shorter, so nothing of a longer one may linger, and
// a name ends at its first zero byte, filled with spaces. Read back, the records are the same.
TEST(WtrSave, WritesTheExactLayoutAcrossTheSavesBlocksOverAnyOldFile) {
    for (int count : {2, 16383, 16384, 16385, 32769}) {
        SCOPED_TRACE(count);
        std::vector<GtmWaypoint> waypoints;
        Bytes expected(16 + 64 * static_cast<std::size_t>(count) + 32, 0);
        std::memcpy(&expected[0], "\xFFWpt\xFF", 5);
        for (int i = 0; i < count; ++i) {
            std::string name = i == 0   ? "ABCDEFGHIJ"
                               : i == 1 ? std::string("AB\0CD", 5)
                                        : std::to_string(count - i);
            const double latitude = -0.7 - i * 1e-3, longitude = -70.25 + i * 1e-3;
            const float altitude = -1234.5f + static_cast<float>(i);
            waypoints.push_back(Gtm(name, latitude, longitude, altitude, i % 2 ? 27 : 73));
            const std::size_t at = 16 + 64 * static_cast<std::size_t>(i);
            name = name.c_str();
            name.resize(10, ' ');
            std::memcpy(&expected[at], name.data(), 10);
            Put(expected, at + 20, *ToSemicircles(latitude));
            Put(expected, at + 24, *ToSemicircles(longitude));
            Put(expected, at + 28, altitude);
            Put(expected, at + 40, static_cast<std::uint16_t>(i % 2 ? 159 : 8246));
        }
        std::memcpy(&expected[expected.size() - 32], "\xFFTrk\xFF", 5);
        std::memcpy(&expected[expected.size() - 16], "\xFFRte\xFF", 5);
        testing::TempDir dir;
        testing::WriteBytes(dir / "out.wtr", Bytes(5000, 0xAB));
        const Bytes file = SaveAndRead(waypoints, dir);
        ASSERT_EQ(file.size(), expected.size());
        const auto differ = std::mismatch(file.begin(), file.end(), expected.begin()).first;
        EXPECT_EQ(differ, file.end()) << "first differing byte at " << differ - file.begin();
        EXPECT_EQ(dir.Names(), std::vector<std::string>{"out.wtr"});
        WtrWaypointSet back;
        ASSERT_TRUE(back.LoadFromBytes(file));
        ASSERT_EQ(back.count, count);
        const WtrWaypoint& last = back.records[count - 1];
        EXPECT_EQ(std::string(back.records[1].name), "AB        ");
        EXPECT_EQ(std::tuple(last.latitude, last.longitude, last.altitude, last.symbolCode),
                  std::tuple(*ToSemicircles(waypoints.back().latitude),
                             *ToSemicircles(waypoints.back().longitude), waypoints.back().altitude,
                             static_cast<std::uint16_t>(count % 2 ? 8246 : 159)));
    }
}

// A loaded position must be a real one, in every mode; only a longitude that the datum
// conversion itself pushes past the antimeridian is wrapped. A refusal names the waypoint
// and writes nothing.
TEST(WtrBuild, RefusesImpossiblePositionsAndWrapsOnlyWhatTheConversionPushesPast180) {
    using Kind = DatumConversion::Kind;
    const DatumConversion keep, shift{Kind::HuTzuShanShift},
        accurate{Kind::Transform, FindDatum(kDatumHuTzuShan)};
    struct Case {
        DatumConversion conversion;
        double latitude, longitude;
        std::optional<double> writtenLongitude;  // none: refused
    };
    const Case cases[] = {
        {keep, 0, 180.0, 180.0},  {keep, 0, -180.0, -180.0},
        {keep, -90.0, 0, 0},      {shift, 0, 179.999, 179.999 + 0.00823 - 360.0},
        {keep, 0, 180.005, {}},   {keep, 0, -180.005, {}},
        {keep, 0, 500, {}},       {keep, 95, 0, {}},
        {keep, -90.0001, 0, {}},  {keep, kNaN, 0, {}},
        {keep, 0, -kInf, {}},     {shift, 0, 600, {}},
        {shift, 95, 0, {}},       {accurate, 0, 600, {}},
        {accurate, 0, 1e300, {}}, {accurate, 95, 121, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << static_cast<int>(c.conversion.kind) << ": "
                                          << c.latitude << ", " << c.longitude);
        std::vector<GtmWaypoint> waypoints = {Gtm("OK", 1, 1, 0, 0),
                                              Gtm("EDGE", c.latitude, c.longitude, 0, 0)};
        WtrWaypointSet set;
        EXPECT_EQ(set.BuildFrom(2, waypoints.data(), c.conversion), c.writtenLongitude.has_value());
        if (c.writtenLongitude) {
            EXPECT_EQ(set.records[1].longitude, *ToSemicircles(*c.writtenLongitude));
            continue;
        }
        EXPECT_EQ(set.badWaypoint, 1) << "named in the messages";
        testing::TempDir dir;
        EXPECT_FALSE(set.Save(dir / "out.wtr"));
        EXPECT_TRUE(dir.Names().empty());
    }
    GtmWaypoint none{};
    EXPECT_FALSE(WtrWaypointSet().BuildFrom(0, &none));
}

// A name that looks like the track marker ends the count; a file of no records has none.
// Anything foreign or cut short is refused, keeping nothing.
TEST(WtrLoad, CountsRecordsUpToTheTrackMarkerAndRefusesForeignOrTruncatedFiles) {
    testing::TempDir dir;
    const Bytes good = SaveAndRead(
        {Gtm("ONE", 0, 0, 1, 0), Gtm("\xFFTrk\xFFXYZ", 0, 0, 2, 0), Gtm("THREE", 0, 0, 3, 0)}, dir);
    ASSERT_EQ(good.size(), 16 + 3 * 64 + 32u);
    auto cut = [&good](std::size_t size) { return Bytes(good.begin(), good.begin() + size); };
    Bytes foreign = good, empty = good;
    foreign[1] = 'w';
    empty.erase(empty.begin() + 16, empty.begin() + 16 + 3 * 64);
    const std::tuple<Bytes, Failure, std::int32_t> cases[] = {
        {good, Failure::None, 1},
        {empty, Failure::None, 0},
        {foreign, Failure::WrongSignature, 0},
        {cut(16), Failure::Truncated, 0},           // the waypoint marker only
        {cut(16 + 30), Failure::Truncated, 0},      // inside a record
        {cut(16 + 64), Failure::Truncated, 0},      // no track marker
        {cut(16 + 64 + 3), Failure::Truncated, 0},  // inside the record that looks like one
    };
    for (const auto& [bytes, error, count] : cases) {
        SCOPED_TRACE(bytes.size());
        WtrWaypointSet back;
        EXPECT_EQ(back.LoadFromBytes(bytes), error == Failure::None);
        EXPECT_EQ(back.error, error);
        EXPECT_EQ(back.count, count);
        EXPECT_EQ(back.records == nullptr, count == 0);
    }
}

}  // namespace
}  // namespace quendra
