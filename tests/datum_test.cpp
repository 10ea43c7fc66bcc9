// The datum check decides; building the WTR records carries the decision out. Simple: WGS84
// is kept, Hu-Tzu-Shan is shifted once the user agrees, the rest is refused. Accurate: every
// datum with a shift is converted, real places going where PROJ puts them (stored from PROJ:
// proj_positions.h, also for the Windows run; every other row: datum_proj_test), the rest
// refused. The loaded set never
// moves, and altitudes stay as they are.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "tests/support/gtm_builder.h"
#include "tests/support/proj_positions.h"
#include "waypoints/gtm_waypoint_set.h"
#include "waypoints/wtr_waypoint_set.h"

namespace quendra {
namespace {

constexpr auto kSimple = DatumMode::Simple, kAccurate = DatumMode::Accurate;
using Kind = DatumVerdict::Kind;
using Refusal = DatumVerdict::Refusal;

TEST(CheckDatum, DecidesByTheDatumCodeAndModeAndTheBuildMovesEachPositionFromTheLoadedOne) {
    struct Case {
        DatumMode mode;
        std::uint16_t datum;
        Kind kind;
        Refusal refusal = Refusal::None;
        bool accurateConverts = false;
    };
    std::vector<Case> cases = {
        {kSimple, 217, Kind::Keep},
        {kSimple, 81, Kind::AskThenShift},
        // WGS84 is never transformed: its output stays the same in both modes.
        {kAccurate, 217, Kind::Keep},
    };
    for (std::uint16_t other : {0, 216, 222, 240, 263, 65535})
        cases.push_back({kSimple, other, Kind::Refuse, Refusal::NotSimple});
    for (std::uint16_t known : {1, 80, 207, 218, 221, 241, 262})
        cases.push_back({kSimple, known, Kind::Refuse, Refusal::NotSimple, true});
    for (std::uint16_t known : {80, 81, 207, 208, 209, 210, 241})
        cases.push_back({kAccurate, known, Kind::Convert});
    for (std::uint16_t unknown : {0, 263, 65535})
        cases.push_back({kAccurate, unknown, Kind::Refuse, Refusal::Unknown});
    // GTM datums with no published shift.
    for (std::uint16_t noShift : {216, 220, 222, 227, 234, 239, 240, 258})
        cases.push_back({kAccurate, noShift, Kind::Refuse, Refusal::NoShift});
    // One centimetre, and the WTR unit that a position is cut to, in degrees.
    constexpr double kCentimetre = 0.01 / (6378137.0 * std::numbers::pi / 180.0);
    constexpr double kUnit = 1.0 / 11930464.0;
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
        ASSERT_TRUE(set.LoadFromBytes(builder.Datum(c.datum).Build()));
        const DatumVerdict verdict = set.CheckDatum(c.mode);
        EXPECT_EQ(verdict.kind, c.kind);
        EXPECT_EQ(verdict.refusal, c.refusal);
        EXPECT_EQ(verdict.accurateConverts, c.accurateConverts);
        if (c.kind == Kind::Refuse) continue;

        // Built twice, as a second Convert after a cancelled save does: the same both times.
        for (int build = 0; build < 2; ++build) {
            WtrWaypointSet wtr;
            ASSERT_TRUE(wtr.BuildFrom(set.count, set.records.get(), verdict.conversion));
            for (std::size_t i = 0; i < places.size(); ++i) {
                const testing::ProjPosition& p = places[i];
                const WtrWaypoint& got = wtr.records[i];
                EXPECT_EQ(set.records[i].latitude, p.latitude);
                EXPECT_EQ(got.altitude, p.altitude);
                if (c.kind == Kind::Convert) {
                    EXPECT_NEAR(got.latitude * kUnit, p.wgsLatitude, kCentimetre + kUnit)
                        << p.place;
                    EXPECT_NEAR(
                        got.longitude * kUnit, p.wgsLongitude,
                        kCentimetre / std::cos(p.latitude * std::numbers::pi / 180.0) + kUnit);
                } else {
                    const bool shifted = c.kind == Kind::AskThenShift;
                    EXPECT_EQ(got.latitude,
                              ToSemicircles(shifted ? p.latitude - 0.00178 : p.latitude));
                    EXPECT_EQ(got.longitude,
                              ToSemicircles(shifted ? p.longitude + 0.00823 : p.longitude));
                }
            }
        }
    }
}

}  // namespace
}  // namespace quendra
