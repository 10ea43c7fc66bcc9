// The datum check: WGS84 passes, Hu-Tzu-Shan is shifted once on Yes, the rest is refused.
#include <gtest/gtest.h>

#include "res/string_table.h"
#include "tests/support/fake_messages.h"
#include "tests/support/gtm_builder.h"
#include "waypoints/gtm_waypoint_set.h"
#include "waypoints/wtr_waypoint_set.h"

namespace quendra {
namespace {

using testing::FakeMessages;
using testing::GtmBuilder;

void LoadWithDatum(std::uint16_t datum, GtmWaypointSet& set) {
    VectorLineSink lines;
    EXPECT_TRUE(set.LoadFromBytes(GtmBuilder()
                                      .Datum(datum)
                                      .Add({.latitude = 25.0, .longitude = 121.5})
                                      .Add({.latitude = -10.0, .longitude = -60.0})
                                      .Build(),
                                  lines));
}

void ExpectUnmoved(const GtmWaypointSet& set) {
    EXPECT_EQ(set.records[0].latitude, 25.0);
    EXPECT_EQ(set.records[0].longitude, 121.5);
    EXPECT_EQ(set.records[1].latitude, -10.0);
}

TEST(CheckDatum, Wgs84PassesSilentlyAndUnchanged) {
    GtmWaypointSet set;
    LoadWithDatum(217, set);
    FakeMessages messages;
    EXPECT_TRUE(set.CheckDatum(messages));
    EXPECT_TRUE(messages.asked.empty());
    EXPECT_TRUE(messages.shown.empty());
    ExpectUnmoved(set);
}

TEST(CheckDatum, HuTzuShanWithYesShiftsEveryWaypoint) {
    GtmWaypointSet set;
    LoadWithDatum(81, set);
    FakeMessages messages(true);
    EXPECT_TRUE(set.CheckDatum(messages));
    EXPECT_EQ(messages.asked, std::vector<int>{IDS_DATUM_HUTZUSHAN});
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(set.datumCode, 81);

    WtrWaypointSet wtr;
    ASSERT_TRUE(wtr.BuildFrom(set.count, set.records.get()));
    EXPECT_EQ(wtr.records[0].latitude, 298240363);
    EXPECT_EQ(wtr.records[0].longitude, 1449649563);
    EXPECT_EQ(set.records[1].latitude, -10.0 - 0.00178);
    EXPECT_EQ(set.records[1].longitude, -60.0 + 0.00823);
}

TEST(CheckDatum, HuTzuShanWithNoStopsAndChangesNothing) {
    GtmWaypointSet set;
    LoadWithDatum(81, set);
    FakeMessages messages(false);
    EXPECT_FALSE(set.CheckDatum(messages));
    EXPECT_EQ(messages.asked, std::vector<int>{IDS_DATUM_HUTZUSHAN});
    ExpectUnmoved(set);
}

TEST(CheckDatum, ASecondConvertOfAShiftedSetNeitherAsksNorShiftsAgain) {
    GtmWaypointSet set;
    LoadWithDatum(81, set);
    FakeMessages messages(true);
    ASSERT_TRUE(set.CheckDatum(messages));
    double latitude = set.records[0].latitude;
    double longitude = set.records[0].longitude;
    EXPECT_TRUE(set.CheckDatum(messages));
    EXPECT_EQ(messages.asked.size(), 1u);
    EXPECT_EQ(set.records[0].latitude, latitude);
    EXPECT_EQ(set.records[0].longitude, longitude);
}

TEST(CheckDatum, EveryOtherDatumIsRefusedWithTheMessage) {
    for (std::uint16_t datum : {0, 1, 80, 82, 100, 216, 218, 65535}) {
        GtmWaypointSet set;
        LoadWithDatum(datum, set);
        FakeMessages messages;
        EXPECT_FALSE(set.CheckDatum(messages)) << datum;
        EXPECT_TRUE(messages.asked.empty());
        EXPECT_EQ(messages.shown, std::vector<int>{IDS_DATUM_UNSUPPORTED}) << datum;
        ExpectUnmoved(set);
    }
}

}  // namespace
}  // namespace quendra
