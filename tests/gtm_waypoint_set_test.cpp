// Reading GTM files: the header walk, the records, the display lines, and refusal of
// anything that is not a sound GTM file.
#include "waypoints/gtm_waypoint_set.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cstdint>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "tests/support/gtm_builder.h"
#include "waypoints/display_line.h"

namespace quendra {
namespace {

using testing::GtmBuilder;
using Bytes = std::vector<std::uint8_t>;

// Header strings and extra entries of any length lead to the datum and the first waypoint;
// records follow by 43 bytes plus their comment, up to the largest 16-bit length (16-bit
// offsets would land inside the long one). Names keep their raw bytes; the display line
// shows a zero byte inside one as a space, and the altitude rounded in a field of three or
// more.
TEST(GtmLoad, StepsOverHeaderStringsExtraEntriesAndComments) {
    struct Header {
        std::vector<std::string> strings;
        std::vector<std::pair<std::string, std::string>> extras;
        std::optional<std::int32_t> statedExtras;  // a negative count walks no entries
    };
    const Header headers[] = {
        {{"a", "bb", "ccc", std::string(300, 'd')}, {}},
        {{"Arial", "", "", ""}, {{"map.bmp", "layer"}}},
        {{"", "x", "", ""}, {{"", ""}, {"first", std::string(1000, 'z')}, {"a", "b"}}},
        {{"", "", "", ""}, {}, -5},
    };
    struct Record {
        std::string name;  // the 10 bytes in the file (zero-padded by the builder)
        std::string comment;
        float altitude;
        std::string line;
    };
    const Record records[] = {
        {"ABCDEFGHIJ", "", 12.6f, "ABCDEFGHIJ  13"},
        {"AB", std::string(65535, 'x'), 1234.4f, "AB         1234"},
        {std::string("AB\0CD", 5), "hello", -12.2f, "AB CD      -12"},
        {"\xA4\xA4\xA4\xE5", std::string(300, 'c'), -0.4f, "\xA4\xA4\xA4\xE5        -0"},
        // The field ends inside a double-byte character; its lead byte is kept. The longest
        // line there can be.
        {"123456789\xA4", "x", -FLT_MAX, "123456789\xA4 -340282346638528859811704183484516925440"},
    };
    for (const Header& h : headers) {
        SCOPED_TRACE(h.statedExtras.value_or(static_cast<std::int32_t>(h.extras.size())));
        GtmBuilder builder;
        builder.HeaderStrings(h.strings).Datum(81);
        for (const auto& [first, second] : h.extras) builder.ExtraEntry(first, second);
        if (h.statedExtras) builder.StatedExtraCount(*h.statedExtras);
        for (int i = 0; i < 5; ++i) {
            builder.Add({.latitude = i + 1.0,
                         .longitude = -i - 0.25,
                         .name = records[i].name,
                         .comment = records[i].comment,
                         .icon = static_cast<std::uint16_t>(27 + i),
                         .altitude = records[i].altitude});
        }
        Bytes bytes = builder.Build();
        bytes.insert(bytes.end(), {1, 2, 3});  // tracks and the like, never looked at
        GtmWaypointSet set;
        ASSERT_TRUE(set.LoadFromBytes(bytes));
        EXPECT_EQ(set.datumCode, 81);
        ASSERT_EQ(set.count, 5);
        for (int i = 0; i < 5; ++i) {
            const GtmWaypoint& w = set.records[i];
            EXPECT_EQ(w.latitude, i + 1.0) << i;
            EXPECT_EQ(w.longitude, -i - 0.25) << i;
            EXPECT_EQ(std::string(w.name, 11),
                      (records[i].name + std::string(11, '\0')).substr(0, 11));
            EXPECT_EQ(w.iconCode, 27 + i);
            EXPECT_EQ(w.altitude, records[i].altitude);
            EXPECT_EQ(DisplayLine(w), records[i].line);
        }
    }
}

// The signature is "TrackMaker" and the marker byte, or any byte in version 211. A file of
// no waypoints needs nothing past its counts. Counts and lengths that lie, and every cut of
// a sound file, are refused before anything is allocated; a refused load leaves the set
// empty.
TEST(GtmLoad, AcceptsSoundFilesAndRefusesTheRestKeepingNothing) {
    auto file = [](std::uint16_t version, std::uint8_t marker) {
        return GtmBuilder().Version(version).MarkerByte(marker).Add({}).Build();
    };
    Bytes wrongText = file(211, 0xFF), noWaypoints = GtmBuilder().Datum(81).Build(),
          negativeString = GtmBuilder().Add({}).Build();
    wrongText[11] = 'R';
    noWaypoints.resize(99);
    negativeString[99] = negativeString[100] = 0xFF;
    std::vector<std::tuple<Bytes, Failure, std::int32_t>> cases = {
        {file(211, 0xFF), Failure::None, 1},
        {file(211, 0x00), Failure::None, 1},
        {file(0, 0xFF), Failure::None, 1},
        {noWaypoints, Failure::None, 0},
        {file(210, 0x00), Failure::WrongSignature, 0},
        {file(212, 0x01), Failure::WrongSignature, 0},
        {wrongText, Failure::WrongSignature, 0},
        {{0xFF, 'W', 'p', 't', 0xFF, 0, 0, 0, 0, 0, 0, 0, 0, 0}, Failure::WrongSignature, 0},
        {{'x'}, Failure::WrongSignature, 0},
        {GtmBuilder().Add({}).StatedWaypointCount(-1).Build(), Failure::Malformed, 0},
        {negativeString, Failure::Malformed, 0},
        {GtmBuilder().Add({}).Add({}).StatedWaypointCount(3).Build(), Failure::Truncated, 0},
        {GtmBuilder().Add({}).StatedExtraCount(1).Build(), Failure::Truncated, 0},
        // 2^31-1 records would be about 80 GB.
        {GtmBuilder().Add({}).StatedWaypointCount(0x7FFFFFFF).Build(), Failure::Truncated, 0},
        {GtmBuilder().Add({}).StatedExtraCount(0x7FFFFFFF).Build(), Failure::Truncated, 0},
    };
    const Bytes sound = GtmBuilder()
                            .ExtraEntry("entry", "data")
                            .Add({.comment = "abc"})
                            .Add({.comment = std::string(70, 'k')})
                            .Build();
    for (std::size_t size = 13; size < sound.size(); ++size)
        cases.emplace_back(Bytes(sound.begin(), sound.begin() + static_cast<long>(size)),
                           Failure::Truncated, 0);
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(i);
        const auto& [bytes, error, count] = cases[i];
        GtmWaypointSet set;
        EXPECT_EQ(set.LoadFromBytes(bytes), error == Failure::None);
        EXPECT_EQ(set.error, error);
        EXPECT_EQ(set.count, count);
        EXPECT_EQ(set.records == nullptr, count == 0);
    }
}

}  // namespace
}  // namespace quendra
