// Building, writing and reading back WTR files, down to the byte.
#include "waypoints/wtr_waypoint_set.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace quendra {
namespace {

using Bytes = std::vector<std::uint8_t>;

GtmWaypoint Gtm(const std::string& name10, double latitude, double longitude, float altitude,
                std::uint16_t icon) {
    GtmWaypoint w{};
    std::memcpy(w.name, name10.data(), std::min<std::size_t>(name10.size(), 10));
    w.latitude = latitude;
    w.longitude = longitude;
    w.altitude = altitude;
    w.iconCode = icon;
    return w;
}

void PutLE(Bytes& out, std::size_t at, std::uint64_t value, int size) {
    for (int i = 0; i < size; ++i) out[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t FloatBits(float f) {
    std::uint32_t bits;
    std::memcpy(&bits, &f, 4);
    return bits;
}

// The file written for `waypoints`, built independently of the writer.
Bytes SaveAndRead(const std::vector<GtmWaypoint>& waypoints, testing::TempDir& dir) {
    WtrWaypointSet set;
    EXPECT_TRUE(set.BuildFrom(static_cast<std::int32_t>(waypoints.size()), waypoints.data()));
    EXPECT_TRUE(set.Save(dir / "out.wtr"));
    return testing::ReadBytes(dir / "out.wtr");
}

TEST(ToSemicircles, MultipliesByTheFixedFactorAndTruncatesTowardZero) {
    struct Case {
        double degrees;
        std::int32_t semicircles;
    };
    const Case cases[] = {
        {25.0, 298261600},       {121.5, 1449551376},     {23.97, 285973222}, {-0.7, -8351324},
        {180.0, 2147483520},     {-180.0, -2147483520},   {0.0, 0},           {24.99822, 298240363},
        {121.50823, 1449649563}, {180.00001, 2147483639},  // still fits: kept, not wrapped here
    };
    for (const Case& c : cases) {
        auto value = ToSemicircles(c.degrees);
        ASSERT_TRUE(value.has_value()) << c.degrees;
        EXPECT_EQ(*value, c.semicircles) << c.degrees;
    }
}

TEST(ToSemicircles, HasNoValueForWhatCannotBeStored) {
    for (double degrees :
         {180.00723, -180.00723, 1e300, std::numeric_limits<double>::infinity(),
          -std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN()}) {
        EXPECT_FALSE(ToSemicircles(degrees).has_value()) << degrees;
    }
}

TEST(WtrSymbol, MapsTheFiveKnownIconsAndEverythingElseTo18) {
    const std::pair<std::uint16_t, std::uint16_t> table[] = {
        {27, 159}, {34, 161}, {48, 18}, {60, 8236}, {73, 8246},
        {0, 18},   {1, 18},   {26, 18}, {61, 18},   {65535, 18},
    };
    for (auto [icon, symbol] : table) EXPECT_EQ(WtrSymbolFor(icon), symbol) << icon;
}

TEST(WtrSave, WritesTheExactLayout) {
    // The long name comes first: nothing of it may linger in the record after it.
    testing::TempDir dir;
    Bytes file = SaveAndRead(
        {Gtm("ABCDEFGHIJ", -0.7, -70.25, -1234.5f, 73), Gtm("HOME", 25.0, 121.5, 12.6f, 27)}, dir);

    Bytes expected(16 + 2 * 64 + 32, 0);
    std::memcpy(&expected[0], "\xFFWpt\xFF", 5);
    std::memcpy(&expected[16], "ABCDEFGHIJ", 10);
    PutLE(expected, 16 + 20, static_cast<std::uint32_t>(-8351324), 4);
    PutLE(expected, 16 + 24, static_cast<std::uint32_t>(-838115096), 4);
    PutLE(expected, 16 + 28, FloatBits(-1234.5f), 4);
    PutLE(expected, 16 + 40, 8246, 2);
    std::memcpy(&expected[80], "HOME      ", 10);
    PutLE(expected, 80 + 20, 298261600, 4);
    PutLE(expected, 80 + 24, 1449551376, 4);
    PutLE(expected, 80 + 28, FloatBits(12.6f), 4);
    PutLE(expected, 80 + 40, 159, 2);
    std::memcpy(&expected[144], "\xFFTrk\xFF", 5);
    std::memcpy(&expected[160], "\xFFRte\xFF", 5);
    EXPECT_EQ(file, expected);
}

TEST(WtrSave, FillsNamesWithSpacesUpToTheFirstZero) {
    struct Case {
        std::string gtmName;
        const char* written;
    };
    const Case cases[] = {
        {"ABCDEFGHIJ", "ABCDEFGHIJ"},
        {"ABC", "ABC       "},
        {"", "          "},
        {std::string("AB\0CD", 5), "AB        "},
        {"\xA4\xA4\xA4\xE5", "\xA4\xA4\xA4\xE5      "},
    };
    for (const Case& c : cases) {
        testing::TempDir dir;
        Bytes file = SaveAndRead({Gtm(c.gtmName, 0, 0, 0, 0)}, dir);
        ASSERT_EQ(file.size(), 112u);
        EXPECT_EQ(std::string(file.begin() + 16, file.begin() + 26), c.written);
    }
}

TEST(WtrSave, ReplacesAnExistingFileWithoutAsking) {
    testing::TempDir dir;
    testing::WriteBytes(dir / "out.wtr", Bytes(5000, 0xAB));
    EXPECT_EQ(SaveAndRead({Gtm("X", 1, 2, 3, 4)}, dir).size(), 112u);
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"out.wtr"});
}

TEST(WtrBuild, WrapsALongitudePastTheAntimeridianAndRefusesWhatCannotBeStored) {
    // Past either side: the shift moves east, but a file may already hold -180.00x.
    for (auto [longitude, wrappedTo] :
         {std::pair{180.005, 180.005 - 360.0}, {-180.005, -180.005 + 360.0}}) {
        WtrWaypointSet wrapped;
        GtmWaypoint edge = Gtm("EDGE", 0, longitude, 0, 0);
        ASSERT_TRUE(wrapped.BuildFrom(1, &edge)) << longitude;
        EXPECT_EQ(wrapped.records[0].longitude, *ToSemicircles(wrappedTo)) << longitude;
    }

    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (auto [latitude, longitude] :
         {std::pair{nan, 0.0}, {0.0, nan}, {200.0, 0.0}, {0.0, 600.0}, {0.0, -inf}}) {
        std::vector<GtmWaypoint> waypoints = {Gtm("OK", 1, 1, 0, 0),
                                              Gtm("BAD", latitude, longitude, 0, 0)};
        WtrWaypointSet set;
        EXPECT_FALSE(set.BuildFrom(2, waypoints.data())) << latitude << "," << longitude;
        EXPECT_EQ(set.badWaypoint, 1) << "named in gtm2wtr's message";
        testing::TempDir dir;
        EXPECT_FALSE(set.Save(dir / "out.wtr"));
        EXPECT_TRUE(dir.Names().empty());
    }
    GtmWaypoint none{};
    EXPECT_FALSE(WtrWaypointSet().BuildFrom(0, &none));
}

struct ReadBack {
    explicit ReadBack(const Bytes& bytes) { ok = set.LoadFromBytes(bytes, lines); }
    WtrWaypointSet set;
    VectorLineSink lines;
    bool ok = false;
};

TEST(WtrLoad, GivesBackTheNamesAndAltitudesWritten) {
    testing::TempDir dir;
    SaveAndRead({Gtm("HOME", 25, 121, 12.6f, 0), Gtm("ABCDEFGHIJ", 1, 1, -3.0f, 0),
                 Gtm(std::string("AB\0CD", 5), 1, 1, 1234.4f, 0)},
                dir);
    WtrWaypointSet set;
    VectorLineSink lines;
    ASSERT_TRUE(set.Load(dir / "out.wtr", lines));
    EXPECT_EQ(set.count, 3);
    EXPECT_EQ(lines.lines,
              (std::vector<std::string>{"HOME        13", "ABCDEFGHIJ  -3", "AB         1234"}));
    EXPECT_STREQ(set.records[0].name, "HOME      ");
    EXPECT_EQ(set.records[0].latitude, 0) << "positions are not read back";
}

TEST(WtrLoad, CountsRecordsUpToTheTrackMarker) {
    testing::TempDir dir;
    Bytes file = SaveAndRead(
        {Gtm("ONE", 0, 0, 1, 0), Gtm("\xFFTrk\xFFXYZ", 0, 0, 2, 0), Gtm("THREE", 0, 0, 3, 0)}, dir);
    ReadBack markerName(file);
    EXPECT_TRUE(markerName.ok);
    EXPECT_EQ(markerName.set.count, 1) << "a name that looks like the marker ends the count";
    EXPECT_EQ(markerName.lines.lines.size(), 1u);

    file.erase(file.begin() + 16, file.begin() + 16 + 3 * 64);
    ReadBack none(file);
    EXPECT_TRUE(none.ok);
    EXPECT_EQ(none.set.count, 0);
    EXPECT_EQ(none.set.records, nullptr);
}

TEST(WtrLoad, RefusesForeignTruncatedAndUnterminatedFiles) {
    testing::TempDir dir;
    Bytes good = SaveAndRead({Gtm("A", 0, 0, 1, 0), Gtm("B", 0, 0, 2, 0)}, dir);
    Bytes noTrack(good.begin(), good.begin() + 16 + 128);
    Bytes foreign = good;
    foreign[1] = 'w';
    struct Case {
        const char* label;
        Bytes bytes;
        FileError error;
    };
    std::vector<Case> cases = {
        {"foreign", foreign, FileError::WrongSignature},
        {"tiny", {0xFF, 'W'}, FileError::WrongSignature},
        {"no track marker", noTrack, FileError::Truncated},
        {"cut inside a record", Bytes(good.begin(), good.begin() + 16 + 64 + 30),
         FileError::Truncated},
        {"cut inside the track marker", Bytes(good.begin(), good.begin() + 16 + 128 + 3),
         FileError::Truncated},
        {"marker only", Bytes(good.begin(), good.begin() + 16), FileError::Truncated},
    };
    for (const Case& c : cases) {
        ReadBack back(c.bytes);
        EXPECT_FALSE(back.ok) << c.label;
        EXPECT_EQ(back.set.error, c.error) << c.label;
        EXPECT_EQ(back.set.count, 0) << c.label;
        EXPECT_TRUE(back.lines.lines.empty()) << c.label;
    }
}

}  // namespace
}  // namespace quendra
