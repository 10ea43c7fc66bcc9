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

TEST(WrapLongitude, MovesOnlyWhatIsPastTheAntimeridian) {
    EXPECT_EQ(WrapLongitude(180.0), 180.0);
    EXPECT_EQ(WrapLongitude(-180.0), -180.0);
    EXPECT_EQ(WrapLongitude(121.5), 121.5);
    EXPECT_DOUBLE_EQ(WrapLongitude(180.005), -179.995);
    EXPECT_DOUBLE_EQ(WrapLongitude(-180.25), 179.75);
}

TEST(WtrSymbol, MapsTheFiveKnownIconsAndEverythingElseTo18) {
    const std::pair<std::uint16_t, std::uint16_t> table[] = {
        {27, 159}, {34, 161}, {48, 18}, {60, 8236}, {73, 8246},
        {0, 18},   {1, 18},   {26, 18}, {61, 18},   {65535, 18},
    };
    for (auto [icon, symbol] : table) EXPECT_EQ(WtrSymbolFor(icon), symbol) << icon;
}

TEST(WtrSave, WritesTheExactLayout) {
    testing::TempDir dir;
    Bytes file = SaveAndRead(
        {Gtm("HOME", 25.0, 121.5, 12.6f, 27), Gtm("ABCDEFGHIJ", -0.7, -70.25, -1234.5f, 73)}, dir);

    Bytes expected(16 + 2 * 64 + 32, 0);
    const std::uint8_t wpt[] = {0xFF, 'W', 'p', 't', 0xFF};
    const std::uint8_t trk[] = {0xFF, 'T', 'r', 'k', 0xFF};
    const std::uint8_t rte[] = {0xFF, 'R', 't', 'e', 0xFF};
    std::memcpy(&expected[0], wpt, 5);
    std::memcpy(&expected[16], "HOME      ", 10);
    PutLE(expected, 16 + 20, 298261600, 4);
    PutLE(expected, 16 + 24, 1449551376, 4);
    PutLE(expected, 16 + 28, FloatBits(12.6f), 4);
    PutLE(expected, 16 + 40, 159, 2);
    std::memcpy(&expected[80], "ABCDEFGHIJ", 10);
    PutLE(expected, 80 + 20, static_cast<std::uint32_t>(-8351324), 4);
    PutLE(expected, 80 + 24, static_cast<std::uint32_t>(-838115096), 4);
    PutLE(expected, 80 + 28, FloatBits(-1234.5f), 4);
    PutLE(expected, 80 + 40, 8246, 2);
    std::memcpy(&expected[144], trk, 5);
    std::memcpy(&expected[160], rte, 5);

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

TEST(WtrSave, UnusedRecordBytesStayZeroWhateverCameBefore) {
    testing::TempDir dir;
    std::vector<GtmWaypoint> waypoints;
    for (int i = 0; i < 5; ++i) {
        waypoints.push_back(Gtm(i % 2 ? "ABCDEFGHIJ" : "A", -89.9 + i, 179.9 - i, -1.0e30f,
                                static_cast<std::uint16_t>(60 + i)));
    }
    Bytes file = SaveAndRead(waypoints, dir);
    ASSERT_EQ(file.size(), 16u + 5 * 64 + 32);
    for (int r = 0; r < 5; ++r) {
        std::size_t at = 16 + 64 * static_cast<std::size_t>(r);
        for (std::size_t b : {10, 15, 19, 32, 36, 39, 42, 50, 63}) {
            EXPECT_EQ(file[at + b], 0) << "record " << r << " byte " << b;
        }
    }
    EXPECT_TRUE(std::all_of(file.begin() + 5, file.begin() + 16, [](auto b) { return b == 0; }));
}

TEST(WtrSave, ReplacesAnExistingFileWithoutAsking) {
    testing::TempDir dir;
    testing::WriteBytes(dir / "out.wtr", Bytes(5000, 0xAB));
    Bytes file = SaveAndRead({Gtm("X", 1, 2, 3, 4)}, dir);
    EXPECT_EQ(file.size(), 112u);
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"out.wtr"});
}

TEST(WtrSave, AFailedSaveLeavesTheOldFileAndNoTemporaryFile) {
    testing::TempDir dir;
    std::filesystem::create_directory(dir / "folder.wtr");
    WtrWaypointSet set;
    GtmWaypoint w = Gtm("X", 1, 2, 3, 4);
    ASSERT_TRUE(set.BuildFrom(1, &w));
    EXPECT_FALSE(set.Save(dir / "folder.wtr"));
    EXPECT_FALSE(set.Save(dir / "missing" / "out.wtr"));
    EXPECT_TRUE(std::filesystem::is_directory(dir / "folder.wtr"));
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"folder.wtr"});
}

TEST(WtrBuild, RefusesNothingToConvertAndCreatesNoFile) {
    testing::TempDir dir;
    WtrWaypointSet set;
    GtmWaypoint w{};
    EXPECT_FALSE(set.BuildFrom(0, &w));
    EXPECT_FALSE(set.Save(dir / "out.wtr"));
    EXPECT_TRUE(dir.Names().empty());
}

TEST(WtrBuild, WrapsALongitudePushedPast180) {
    WtrWaypointSet set;
    GtmWaypoint w = Gtm("EDGE", 0, 180.005, 0, 0);
    ASSERT_TRUE(set.BuildFrom(1, &w));
    EXPECT_EQ(set.records[0].longitude, *ToSemicircles(180.005 - 360.0));
}

TEST(WtrBuild, RefusesPositionsThatCannotBeStoredAndSaysWhich) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        double latitude, longitude;
    };
    for (Case c : {Case{nan, 0}, Case{0, nan}, Case{200.0, 0}, Case{0, 600.0},
                   Case{0, -std::numeric_limits<double>::infinity()}}) {
        std::vector<GtmWaypoint> waypoints = {Gtm("OK", 1, 1, 0, 0),
                                              Gtm("BAD", c.latitude, c.longitude, 0, 0)};
        WtrWaypointSet set;
        EXPECT_FALSE(set.BuildFrom(2, waypoints.data())) << c.latitude << "," << c.longitude;
        EXPECT_EQ(set.badWaypoint, 1);
        testing::TempDir dir;
        EXPECT_FALSE(set.Save(dir / "out.wtr"));
        EXPECT_TRUE(dir.Names().empty());
    }
}

struct ReadBack {
    WtrWaypointSet set;
    VectorLineSink lines;
    bool ok = false;
};

void LoadWtr(const Bytes& bytes, ReadBack& back) {
    back.ok = back.set.LoadFromBytes(bytes, back.lines);
}

TEST(WtrLoad, GivesBackTheNamesAndAltitudesWritten) {
    testing::TempDir dir;
    Bytes file = SaveAndRead({Gtm("HOME", 25, 121, 12.6f, 0), Gtm("ABCDEFGHIJ", 1, 1, -3.0f, 0),
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
    EXPECT_EQ(set.records[2].altitude, 1234.4f);
}

TEST(WtrLoad, ANameThatLooksLikeTheTrackMarkerEndsTheCount) {
    testing::TempDir dir;
    Bytes file = SaveAndRead(
        {Gtm("ONE", 0, 0, 1, 0), Gtm("\xFFTrk\xFFXYZ", 0, 0, 2, 0), Gtm("THREE", 0, 0, 3, 0)}, dir);
    ReadBack back;
    LoadWtr(file, back);
    EXPECT_TRUE(back.ok);
    EXPECT_EQ(back.set.count, 1);
    EXPECT_EQ(back.lines.lines.size(), 1u);
}

TEST(WtrLoad, NoWaypointsIsASuccess) {
    Bytes file(48, 0);
    const std::uint8_t wpt[] = {0xFF, 'W', 'p', 't', 0xFF}, trk[] = {0xFF, 'T', 'r', 'k', 0xFF};
    std::memcpy(&file[0], wpt, 5);
    std::memcpy(&file[16], trk, 5);
    ReadBack back;
    LoadWtr(file, back);
    EXPECT_TRUE(back.ok);
    EXPECT_EQ(back.set.count, 0);
    EXPECT_EQ(back.set.records, nullptr);
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
        ReadBack back;
        LoadWtr(c.bytes, back);
        EXPECT_FALSE(back.ok) << c.label;
        EXPECT_EQ(back.set.error, c.error) << c.label;
        EXPECT_EQ(back.set.count, 0) << c.label;
        EXPECT_TRUE(back.lines.lines.empty()) << c.label;
    }
}

}  // namespace
}  // namespace quendra
