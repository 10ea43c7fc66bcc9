// Reading GTM files: the header walk, the records, the display lines, and refusal of
// anything that is not a sound GTM file.
#include "waypoints/gtm_waypoint_set.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/gtm_builder.h"

namespace quendra {
namespace {

using testing::GtmBuilder;
using Bytes = std::vector<std::uint8_t>;

struct Loaded {
    explicit Loaded(const Bytes& bytes) { ok = set.LoadFromBytes(bytes, lines); }
    GtmWaypointSet set;
    VectorLineSink lines;
    bool ok = false;
};

// Everything a load refuses leaves the set empty and the list as it was.
void ExpectRefused(const Bytes& bytes, FileError expected) {
    GtmWaypointSet set;
    VectorLineSink lines;
    lines.AddLine("kept");
    EXPECT_FALSE(set.LoadFromBytes(bytes, lines));
    EXPECT_EQ(set.error, expected);
    EXPECT_EQ(set.count, 0);
    EXPECT_EQ(set.records, nullptr);
    EXPECT_EQ(lines.lines, std::vector<std::string>{"kept"});
}

TEST(GtmHeaderWalk, FindsTheDatumAndTheFirstWaypointPastStringsAndExtraEntries) {
    struct Case {
        std::vector<std::string> headerStrings;
        std::vector<std::pair<std::string, std::string>> extras;
        std::optional<std::int32_t> statedExtras;  // a negative count walks no entries
    };
    const Case cases[] = {
        {{"", "", "", ""}, {}},
        {{"a", "bb", "ccc", std::string(300, 'd')}, {}},
        {{"Arial", "", "", ""}, {{"map.bmp", "layer"}}},
        {{"", "x", "", ""}, {{"", ""}, {"first", std::string(1000, 'z')}, {"a", "b"}}},
        {{"", "", "", ""}, {}, -5},
        {{"", "", "", ""}, {}, INT32_MIN},
    };
    for (const Case& c : cases) {
        GtmBuilder builder;
        builder.HeaderStrings(c.headerStrings).Datum(81);
        for (const auto& [first, second] : c.extras) builder.ExtraEntry(first, second);
        if (c.statedExtras) builder.StatedExtraCount(*c.statedExtras);
        Loaded loaded(builder.Add({.name = "PEAK", .altitude = 3952.0f}).Build());
        SCOPED_TRACE(c.statedExtras.value_or(static_cast<std::int32_t>(c.extras.size())));
        EXPECT_TRUE(loaded.ok);
        EXPECT_EQ(loaded.set.datumCode, 81);
        EXPECT_EQ(loaded.lines.lines, std::vector<std::string>{"PEAK       3952"});
    }
}

TEST(GtmRecords, StepByFortyThreeBytesPlusTheComment) {
    // Comments up to the largest 16-bit length are stepped over in plain arithmetic: 16-bit
    // offsets would land inside the long one. Names keep their raw bytes; the display line
    // shows a zero byte inside one as a space.
    struct Case {
        std::string name;      // the 10 bytes in the file (zero-padded by the builder)
        std::string lineName;  // the 10 characters the display line starts with
        std::string comment;
    };
    const Case cases[] = {
        {"ABCDEFGHIJ", "ABCDEFGHIJ", ""},
        {"AB", "AB        ", std::string(65535, 'x')},
        {std::string("AB\0CD", 5), "AB CD     ", "hello"},
        {"\xA4\xA4\xA4\xE5", "\xA4\xA4\xA4\xE5      ", std::string(300, 'c')},
        // The field ends inside a double-byte character; its lead byte is kept.
        {"123456789\xA4", "123456789\xA4", "x"},
    };
    GtmBuilder builder;
    for (int i = 0; i < 5; ++i) {
        builder.Add({.latitude = i + 1.0,
                     .longitude = -i - 0.25,
                     .name = cases[i].name,
                     .comment = cases[i].comment,
                     .icon = static_cast<std::uint16_t>(27 + i),
                     .altitude = 1.0f + i});
    }
    Bytes bytes = builder.Build();
    bytes.insert(bytes.end(), {1, 2, 3});  // tracks and the like, never looked at
    Loaded loaded(bytes);
    ASSERT_TRUE(loaded.ok);
    ASSERT_EQ(loaded.set.count, 5);
    ASSERT_EQ(loaded.lines.lines.size(), 5u);
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        const GtmWaypoint& w = loaded.set.records[i];
        EXPECT_EQ(w.latitude, i + 1.0);
        EXPECT_EQ(w.longitude, -i - 0.25);
        std::string name = cases[i].name;
        name.resize(11, '\0');
        EXPECT_EQ(std::string(w.name, 11), name);
        EXPECT_EQ(w.iconCode, 27 + i);
        EXPECT_EQ(w.altitude, 1.0f + i);
        EXPECT_EQ(loaded.lines.lines[i], cases[i].lineName + "   " + std::to_string(1 + i));
    }
}

TEST(GtmDisplayLine, RoundsTheAltitudeIntoAFieldOfAtLeastThree) {
    GtmWaypoint w{};
    std::memcpy(w.name, "HOME", 4);
    for (auto [altitude, field] :
         {std::pair{12.6f, " 13"}, {1234.4f, "1234"}, {-12.2f, "-12"}, {-0.4f, " -0"}}) {
        w.altitude = altitude;
        EXPECT_EQ(GtmDisplayLine(w), std::string("HOME       ") + field) << altitude;
    }
    std::memcpy(w.name, "ABCDEFGHIJ", 10);
    w.altitude = -FLT_MAX;
    EXPECT_EQ(GtmDisplayLine(w).size(), 51u) << "the longest line there can be";
}

TEST(GtmLoad, NoWaypointsIsASuccessThatReadsNothingElse) {
    // Cut right after the counts: nothing past them may be needed.
    Bytes bytes = GtmBuilder().Datum(81).Build();
    bytes.resize(99);
    Loaded loaded(bytes);
    EXPECT_TRUE(loaded.ok);
    EXPECT_EQ(loaded.set.count, 0);
    EXPECT_EQ(loaded.set.records, nullptr);
    EXPECT_EQ(loaded.set.datumCode, 0);
    EXPECT_TRUE(loaded.lines.lines.empty());
}

TEST(GtmSignature, NeedsTrackMakerAndTheMarkerByteOrVersion211) {
    auto file = [](std::uint16_t version, std::uint8_t marker) {
        return GtmBuilder().Version(version).MarkerByte(marker).Add({}).Build();
    };
    EXPECT_EQ(Loaded(file(211, 0xFF)).set.count, 1);
    EXPECT_EQ(Loaded(file(211, 0x00)).set.count, 1);
    EXPECT_EQ(Loaded(file(0, 0xFF)).set.count, 1);
    ExpectRefused(file(210, 0x00), FileError::WrongSignature);
    ExpectRefused(file(212, 0x01), FileError::WrongSignature);
    Bytes wrongText = GtmBuilder().Add({}).Build();
    wrongText[11] = 'R';
    ExpectRefused(wrongText, FileError::WrongSignature);
    ExpectRefused({0xFF, 'W', 'p', 't', 0xFF, 0, 0, 0, 0, 0, 0, 0, 0, 0},
                  FileError::WrongSignature);
    ExpectRefused({'x'}, FileError::WrongSignature);
}

TEST(GtmRefusal, EveryTruncationOfAValidFile) {
    Bytes bytes = GtmBuilder()
                      .ExtraEntry("entry", "data")
                      .Add({.comment = "abc"})
                      .Add({.comment = std::string(70, 'k')})
                      .Build();
    for (std::size_t size = 13; size < bytes.size(); ++size) {
        SCOPED_TRACE(size);
        ExpectRefused({bytes.begin(), bytes.begin() + static_cast<long>(size)},
                      FileError::Truncated);
    }
}

TEST(GtmRefusal, CountsAndLengthsThatLie) {
    Bytes negativeString = GtmBuilder().Add({}).Build();
    negativeString[99] = negativeString[100] = 0xFF;
    const std::pair<Bytes, FileError> cases[] = {
        {GtmBuilder().Add({}).StatedWaypointCount(-1).Build(), FileError::Malformed},
        {negativeString, FileError::Malformed},
        {GtmBuilder().Add({}).Add({}).StatedWaypointCount(3).Build(), FileError::Truncated},
        {GtmBuilder().Add({}).StatedExtraCount(1).Build(), FileError::Truncated},
    };
    for (const auto& [bytes, error] : cases) ExpectRefused(bytes, error);
}

}  // namespace
}  // namespace quendra
