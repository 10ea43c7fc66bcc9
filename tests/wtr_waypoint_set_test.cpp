// Building, writing and reading back WTR files, down to the byte.
#include "waypoints/wtr_waypoint_set.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

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

TEST(WtrSave, WritesTheExactLayoutOverAnyOldFile) {
    // The long name comes first: nothing of it may linger in the record after it.
    testing::TempDir dir;
    testing::WriteBytes(dir / "out.wtr", Bytes(5000, 0xAB));
    Bytes file = SaveAndRead(
        {Gtm("ABCDEFGHIJ", -0.7, -70.25, -1234.5f, 73), Gtm("HOME", 25.0, 121.5, 12.6f, 27)}, dir);

    Bytes expected(16 + 2 * 64 + 32, 0);
    std::memcpy(&expected[0], "\xFFWpt\xFF", 5);
    std::memcpy(&expected[16], "ABCDEFGHIJ", 10);
    Put(expected, 16 + 20, std::int32_t{-8351324});
    Put(expected, 16 + 24, std::int32_t{-838115096});
    Put(expected, 16 + 28, -1234.5f);
    Put(expected, 16 + 40, std::uint16_t{8246});
    std::memcpy(&expected[80], "HOME      ", 10);
    Put(expected, 80 + 20, std::int32_t{298261600});
    Put(expected, 80 + 24, std::int32_t{1449551376});
    Put(expected, 80 + 28, 12.6f);
    Put(expected, 80 + 40, std::uint16_t{159});
    std::memcpy(&expected[144], "\xFFTrk\xFF", 5);
    std::memcpy(&expected[160], "\xFFRte\xFF", 5);
    EXPECT_EQ(file, expected);
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"out.wtr"});
}

TEST(WtrSave, WritesEveryRecordWholeAcrossTheSavesBlocks) {
    // The save writes 1 MiB of records at a time: 16384 records, the first block after the
    // 16-byte marker. Each record must be whole, in its place, with nothing of another.
    for (int count : {16383, 16384, 16385, 32769}) {
        SCOPED_TRACE(count);
        std::vector<GtmWaypoint> waypoints;
        for (int i = 0; i < count; ++i)
            waypoints.push_back(Gtm(std::to_string(i), i * 1e-3, i * -1e-3, 0, 0));
        testing::TempDir dir;
        Bytes file = SaveAndRead(waypoints, dir);
        ASSERT_EQ(file.size(), 16 + 64 * static_cast<std::size_t>(count) + 32);
        for (int i = 0; i < count; ++i) {
            Bytes record(64, 0);
            std::string name = std::to_string(i);
            std::memcpy(&record[0], (name + std::string(10 - name.size(), ' ')).data(), 10);
            Put(record, 20, *ToSemicircles(i * 1e-3));
            Put(record, 24, *ToSemicircles(i * -1e-3));
            Put(record, 40, std::uint16_t{18});
            const auto at = file.begin() + 16 + 64 * i;
            ASSERT_TRUE(std::equal(record.begin(), record.end(), at)) << "record " << i;
        }
        EXPECT_EQ(std::memcmp(&file[file.size() - 32], "\xFFTrk\xFF", 5), 0);
        EXPECT_EQ(std::memcmp(&file[file.size() - 16], "\xFFRte\xFF", 5), 0);
    }
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

    for (auto [latitude, longitude] :
         {std::pair{kNaN, 0.0}, {0.0, kNaN}, {200.0, 0.0}, {0.0, 600.0}, {0.0, -kInf}}) {
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

TEST(WtrLoad, GivesBackTheNamesFilledWithSpacesUpToTheFirstZero) {
    testing::TempDir dir;
    ReadBack back(SaveAndRead({Gtm("HOME", 25, 121, 12.6f, 0), Gtm("ABCDEFGHIJ", 1, 1, -3.0f, 0),
                               Gtm(std::string("AB\0CD", 5), 1, 1, 1234.4f, 0), Gtm("", 1, 1, 0, 0),
                               Gtm("\xA4\xA4\xA4\xE5", 1, 1, 0, 0)},
                              dir));
    ASSERT_TRUE(back.ok);
    EXPECT_EQ(back.set.count, 5);
    EXPECT_EQ(back.lines.lines,
              (std::vector<std::string>{"HOME        13", "ABCDEFGHIJ  -3", "AB         1234",
                                        "             0", "\xA4\xA4\xA4\xE5         0"}));
    EXPECT_STREQ(back.set.records[0].name, "HOME      ");
    EXPECT_EQ(back.set.records[0].latitude, 0) << "positions are not read back";
}

TEST(WtrLoad, CountsRecordsUpToTheTrackMarker) {
    testing::TempDir dir;
    Bytes file = SaveAndRead(
        {Gtm("ONE", 0, 0, 1, 0), Gtm("\xFFTrk\xFFXYZ", 0, 0, 2, 0), Gtm("THREE", 0, 0, 3, 0)}, dir);
    ASSERT_EQ(file.size(), 16 + 3 * 64 + 32u);
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
    ASSERT_EQ(good.size(), 16 + 2 * 64 + 32u);
    auto cut = [&good](std::size_t size) { return Bytes(good.begin(), good.begin() + size); };
    Bytes foreign = good;
    foreign[1] = 'w';
    const std::pair<Bytes, FileError> cases[] = {
        {foreign, FileError::WrongSignature},      {{0xFF, 'W'}, FileError::WrongSignature},
        {cut(16), FileError::Truncated},            // the waypoint marker only
        {cut(16 + 64 + 30), FileError::Truncated},  // inside a record
        {cut(16 + 128), FileError::Truncated},      // no track marker
        {cut(16 + 128 + 3), FileError::Truncated},  // inside the track marker
    };
    for (const auto& [bytes, error] : cases) {
        SCOPED_TRACE(bytes.size());
        ReadBack back(bytes);
        EXPECT_FALSE(back.ok);
        EXPECT_EQ(back.set.error, error);
        EXPECT_EQ(back.set.count, 0);
        EXPECT_TRUE(back.lines.lines.empty());
    }
}

}  // namespace
}  // namespace quendra
