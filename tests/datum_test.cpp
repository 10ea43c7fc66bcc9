// The datum check. Simple: WGS84 passes, Hu-Tzu-Shan is shifted on Yes, the rest is
// refused. Accurate: every known datum is converted without a question, the rest refused.
// Either way a set is moved at most once.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "res/string_table.h"
#include "tests/support/fake_messages.h"
#include "tests/support/gtm_builder.h"
#include "tests/support/proj_positions.h"
#include "waypoints/datums.h"
#include "waypoints/gtm_waypoint_set.h"

namespace quendra {
namespace {

constexpr auto kSimple = DatumMode::Simple, kAccurate = DatumMode::Accurate;

TEST(CheckDatum, PassesAsksOrRefusesByTheDatumCodeAndMode) {
    enum Outcome { Unchanged, Shifted, Converted };
    struct Case {
        DatumMode mode;
        std::uint16_t datum;
        bool answerYes, proceeds;
        std::vector<int> asked, shown;
        Outcome outcome;
    };
    std::vector<Case> cases = {
        {kSimple, 217, true, true, {}, {}, Unchanged},
        {kSimple, 81, true, true, {IDS_DATUM_HUTZUSHAN}, {}, Shifted},
        {kSimple, 81, false, false, {IDS_DATUM_HUTZUSHAN}, {}, Unchanged},
        // WGS84 is never transformed: its output stays the same in both modes.
        {kAccurate, 217, true, true, {}, {}, Unchanged},
    };
    for (std::uint16_t other : {0, 80, 82, 100, 207, 216, 218, 241, 65535}) {
        cases.push_back({kSimple, other, true, false, {}, {IDS_DATUM_UNSUPPORTED}, Unchanged});
    }
    for (std::uint16_t known : {80, 81, 207, 208, 209, 210, 241}) {
        cases.push_back({kAccurate, known, false, true, {}, {}, Converted});
    }
    for (std::uint16_t unknown : {0, 82, 100, 206, 211, 216, 218, 240, 242, 65535}) {
        cases.push_back({kAccurate, unknown, true, false, {}, {IDS_DATUM_UNSUPPORTED}, Unchanged});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << c.datum << (c.mode == kSimple ? " simple" : " accurate"));
        GtmWaypointSet set;
        VectorLineSink lines;
        ASSERT_TRUE(set.LoadFromBytes(testing::GtmBuilder()
                                          .Datum(c.datum)
                                          .Add({.latitude = 25.0, .longitude = 121.5})
                                          .Add({.latitude = -10.0, .longitude = -60.0})
                                          .Add({.latitude = 35.3606, .longitude = 138.7274})
                                          .Build(),
                                      lines));
        testing::FakeMessages messages(c.answerYes);
        EXPECT_EQ(set.CheckDatum(messages, c.mode), c.proceeds);
        EXPECT_EQ(messages.asked, c.asked);
        EXPECT_EQ(messages.shown, c.shown);
        const GtmWaypoint moved = set.records[1];
        // A second check (Convert again after a cancelled save), in either mode, neither
        // asks nor moves the set again.
        if (c.proceeds) {
            EXPECT_TRUE(set.CheckDatum(messages, kSimple));
            EXPECT_TRUE(set.CheckDatum(messages, kAccurate));
        }
        EXPECT_EQ(messages.asked, c.asked);
        EXPECT_EQ(set.records[1].latitude, moved.latitude);
        EXPECT_EQ(set.records[1].longitude, moved.longitude);
        // Where the accurate mode puts them is held against PROJ below.
        if (c.outcome == Unchanged) {
            for (int i : {0, 2}) {
                EXPECT_EQ(set.records[i].latitude, i ? 35.3606 : 25.0);
                EXPECT_EQ(set.records[i].longitude, i ? 138.7274 : 121.5);
            }
        } else if (c.outcome == Shifted) {
            EXPECT_EQ(moved.latitude, -10.0 - 0.00178);
            EXPECT_EQ(moved.longitude, -60.0 + 0.00823);
        }
    }
}

// Real places, with their own altitudes, go where PROJ puts them (positions stored from
// PROJ, see proj_positions.h), within 1 cm; the altitudes stay as they are.
TEST(CheckDatum, AccurateModePutsRealPlacesWhereProjDoes) {
    for (const testing::ProjPosition& p : testing::kProjPositions) {
        SCOPED_TRACE(p.place);
        GtmWaypointSet set;
        VectorLineSink lines;
        ASSERT_TRUE(set.LoadFromBytes(
            testing::GtmBuilder()
                .Datum(p.code)
                .Add({.latitude = p.latitude, .longitude = p.longitude, .altitude = p.altitude})
                .Build(),
            lines));
        testing::FakeMessages messages;
        ASSERT_TRUE(set.CheckDatum(messages, kAccurate));
        constexpr double kMetresPerDegree = 6378137.0 * std::numbers::pi / 180.0;
        const GtmWaypoint& got = set.records[0];
        EXPECT_NEAR(got.latitude, p.wgsLatitude, 0.01 / kMetresPerDegree);
        EXPECT_NEAR(got.longitude, p.wgsLongitude,
                    0.01 / kMetresPerDegree / std::cos(p.latitude * std::numbers::pi / 180.0));
        EXPECT_EQ(got.altitude, p.altitude);
    }
}

}  // namespace
}  // namespace quendra
