// The datum check: WGS84 passes, Hu-Tzu-Shan is shifted once on Yes, the rest is refused.
#include <gtest/gtest.h>

#include "res/string_table.h"
#include "tests/support/fake_messages.h"
#include "tests/support/gtm_builder.h"
#include "waypoints/gtm_waypoint_set.h"

namespace quendra {
namespace {

TEST(CheckDatum, PassesAsksOrRefusesByTheDatumCode) {
    struct Case {
        std::uint16_t datum;
        bool answerYes, proceeds;
        std::vector<int> asked, shown;
        bool shifted;
    };
    std::vector<Case> cases = {
        {217, true, true, {}, {}, false},
        {81, true, true, {IDS_DATUM_HUTZUSHAN}, {}, true},
        {81, false, false, {IDS_DATUM_HUTZUSHAN}, {}, false},
    };
    for (std::uint16_t other : {0, 80, 82, 100, 216, 218, 65535}) {
        cases.push_back({other, true, false, {}, {IDS_DATUM_UNSUPPORTED}, false});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.datum);
        GtmWaypointSet set;
        VectorLineSink lines;
        ASSERT_TRUE(set.LoadFromBytes(testing::GtmBuilder()
                                          .Datum(c.datum)
                                          .Add({.latitude = 25.0, .longitude = 121.5})
                                          .Add({.latitude = -10.0, .longitude = -60.0})
                                          .Build(),
                                      lines));
        testing::FakeMessages messages(c.answerYes);
        EXPECT_EQ(set.CheckDatum(messages), c.proceeds);
        EXPECT_EQ(messages.asked, c.asked);
        EXPECT_EQ(messages.shown, c.shown);
        // A second check (Convert again after a cancelled save) neither asks nor shifts.
        if (c.proceeds) {
            EXPECT_TRUE(set.CheckDatum(messages));
        }
        EXPECT_EQ(messages.asked, c.asked);
        EXPECT_EQ(set.records[1].latitude, c.shifted ? -10.0 - 0.00178 : -10.0);
        EXPECT_EQ(set.records[1].longitude, c.shifted ? -60.0 + 0.00823 : -60.0);
    }
}

}  // namespace
}  // namespace quendra
