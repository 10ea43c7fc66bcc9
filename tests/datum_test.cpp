// The datum check. Simple: WGS84 passes, Hu-Tzu-Shan is shifted on Yes, the rest is
// refused. Accurate: every known datum is converted without a question, real places going
// where PROJ puts them (stored from PROJ: proj_positions.h, also for the Windows run), the
// rest refused. Either way a set is moved at most once, and altitudes stay as they are.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "res/string_table.h"
#include "tests/support/fake_messages.h"
#include "tests/support/gtm_builder.h"
#include "tests/support/proj_positions.h"
#include "waypoints/gtm_waypoint_set.h"

namespace quendra {
namespace {

constexpr auto kSimple = DatumMode::Simple, kAccurate = DatumMode::Accurate;

TEST(CheckDatum, PassesAsksRefusesOrConvertsByTheDatumCodeAndMode) {
    struct Case {
        DatumMode mode;
        std::uint16_t datum;
        bool answerYes, proceeds;
        std::vector<int> asked, shown;
    };
    std::vector<Case> cases = {
        {kSimple, 217, true, true, {}, {}},
        {kSimple, 81, true, true, {IDS_DATUM_HUTZUSHAN}, {}},
        {kSimple, 81, false, false, {IDS_DATUM_HUTZUSHAN}, {}},
        // WGS84 is never transformed: its output stays the same in both modes.
        {kAccurate, 217, true, true, {}, {}},
    };
    for (std::uint16_t other : {0, 80, 82, 100, 207, 216, 218, 241, 65535})
        cases.push_back({kSimple, other, true, false, {}, {IDS_DATUM_UNSUPPORTED}});
    for (std::uint16_t known : {80, 81, 207, 208, 209, 210, 241})
        cases.push_back({kAccurate, known, false, true, {}, {}});
    for (std::uint16_t unknown : {0, 82, 100, 206, 211, 216, 218, 240, 242, 65535})
        cases.push_back({kAccurate, unknown, true, false, {}, {IDS_DATUM_UNSUPPORTED}});
    constexpr double kCentimetre = 0.01 / (6378137.0 * std::numbers::pi / 180.0);  // degrees
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << c.datum << (c.mode == kSimple ? " simple" : " accurate"));
        std::vector<testing::ProjPosition> places;
        for (const testing::ProjPosition& p : testing::kProjPositions)
            if (p.code == c.datum) places.push_back(p);
        if (places.empty()) places = {{c.datum, "", 25.0, 121.5, 1.5f}, {c.datum, "", -10, -60}};
        testing::GtmBuilder builder;
        for (const testing::ProjPosition& p : places)
            builder.Add({.latitude = p.latitude, .longitude = p.longitude, .altitude = p.altitude});
        GtmWaypointSet set;
        VectorLineSink lines;
        ASSERT_TRUE(set.LoadFromBytes(builder.Datum(c.datum).Build(), lines));
        testing::FakeMessages messages(c.answerYes);
        EXPECT_EQ(set.CheckDatum(messages, c.mode), c.proceeds);
        EXPECT_EQ(messages.asked, c.asked);
        EXPECT_EQ(messages.shown, c.shown);
        // A second check (Convert again after a cancelled save), in either mode, neither
        // asks nor moves the set again: the places below are where one move puts them.
        if (c.proceeds) {
            EXPECT_TRUE(set.CheckDatum(messages, kSimple));
            EXPECT_TRUE(set.CheckDatum(messages, kAccurate));
            EXPECT_EQ(messages.asked, c.asked);
        }
        const bool shifted = c.proceeds && c.mode == kSimple && c.datum == 81;
        const bool converted = c.proceeds && c.mode == kAccurate && c.datum != 217;
        for (std::size_t i = 0; i < places.size(); ++i) {
            const GtmWaypoint& got = set.records[i];
            const testing::ProjPosition& p = places[i];
            EXPECT_EQ(got.altitude, p.altitude);
            if (converted) {
                EXPECT_NEAR(got.latitude, p.wgsLatitude, kCentimetre) << p.place;
                EXPECT_NEAR(got.longitude, p.wgsLongitude,
                            kCentimetre / std::cos(p.latitude * std::numbers::pi / 180.0));
            } else {
                EXPECT_EQ(got.latitude, shifted ? p.latitude - 0.00178 : p.latitude);
                EXPECT_EQ(got.longitude, shifted ? p.longitude + 0.00823 : p.longitude);
            }
        }
    }
}

}  // namespace
}  // namespace quendra
