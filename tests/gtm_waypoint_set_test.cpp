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
        Loaded loaded(builder
                          .Add({.latitude = 23.5,
                                .longitude = 120.25,
                                .name = "PEAK",
                                .icon = 60,
                                .altitude = 3952.0f})
                          .Build());
        SCOPED_TRACE(c.statedExtras.value_or(static_cast<std::int32_t>(c.extras.size())));
        ASSERT_TRUE(loaded.ok);
        EXPECT_EQ(loaded.set.datumCode, 81);
        ASSERT_EQ(loaded.set.count, 1);
        const GtmWaypoint& w = loaded.set.records[0];
        EXPECT_EQ(w.latitude, 23.5);
        EXPECT_EQ(w.longitude, 120.25);
        EXPECT_EQ(std::string(w.name, 11), std::string("PEAK\0\0\0\0\0\0\0", 11));
        EXPECT_EQ(w.iconCode, 60);
        EXPECT_EQ(w.altitude, 3952.0f);
    }
}

TEST(GtmRecords, StepByFortyThreeBytesPlusTheComment) {
    // Comments of 0 bytes, the largest 16-bit length, 5 and 300, stepped over in plain
    // arithmetic: 16-bit offsets would land inside the long comment.
    const std::string comments[] = {"", std::string(65535, 'x'), "hello", std::string(300, 'c')};
    GtmBuilder builder;
    for (int i = 0; i < 4; ++i) {
        builder.Add({.latitude = i + 1.0,
                     .name = "W" + std::to_string(i),
                     .comment = comments[i],
                     .icon = static_cast<std::uint16_t>(27 + i),
                     .altitude = i + 0.5f});
    }
    Loaded loaded(builder.Trailer({1, 2, 3}).Build());
    ASSERT_TRUE(loaded.ok);
    ASSERT_EQ(loaded.set.count, 4);
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(loaded.set.records[i].latitude, i + 1.0);
        EXPECT_EQ(loaded.set.records[i].name, "W" + std::to_string(i));
        EXPECT_EQ(loaded.set.records[i].iconCode, 27 + i);
        EXPECT_EQ(loaded.set.records[i].altitude, i + 0.5f);
        EXPECT_EQ(loaded.lines.lines.at(i).substr(0, 3), "W" + std::to_string(i) + " ");
    }
}

TEST(GtmNames, KeepTheRawBytesAndShowZerosAsSpaces) {
    struct Case {
        std::string stored;      // the 10 bytes in the file (zero-padded by the builder)
        std::string recordName;  // what reads back as a C string
        std::string lineName;    // the 10 characters the display line starts with
    };
    const Case cases[] = {
        {"ABCDEFGHIJ", "ABCDEFGHIJ", "ABCDEFGHIJ"},
        {"AB", "AB", "AB        "},
        {std::string("AB\0CD", 5), "AB", "AB CD     "},
        {"\xA4\xA4\xA4\xE5", "\xA4\xA4\xA4\xE5", "\xA4\xA4\xA4\xE5      "},
        // The field ends inside a double-byte character; its lead byte is kept.
        {"123456789\xA4", "123456789\xA4", "123456789\xA4"},
    };
    for (const Case& c : cases) {
        Loaded loaded(GtmBuilder().Add({.name = c.stored, .altitude = 7.0f}).Build());
        ASSERT_TRUE(loaded.ok);
        std::string stored = c.stored;
        stored.resize(11, '\0');
        EXPECT_EQ(std::string(loaded.set.records[0].name, 11), stored);
        EXPECT_EQ(loaded.set.records[0].name, c.recordName);
        EXPECT_EQ(loaded.lines.lines, std::vector<std::string>{c.lineName + "   7"});
    }
}

TEST(GtmDisplayLine, RoundsTheAltitudeIntoAFieldOfAtLeastThree) {
    const std::pair<float, std::string> cases[] = {
        {12.6f,
         "HOME"
         "      "
         " "
         " 13"},  // four letters, eight spaces, 13
        {1234.4f,
         "HOME      "
         " "
         "1234"},
        {-12.2f,
         "HOME      "
         " "
         "-12"},
        {-0.4f,
         "HOME      "
         " "
         " -0"},
    };
    GtmWaypoint w{};
    std::memcpy(w.name, "HOME", 4);
    for (const auto& [altitude, line] : cases) {
        w.altitude = altitude;
        EXPECT_EQ(GtmDisplayLine(w), line) << altitude;
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

TEST(GtmSignature, AcceptsTheMarkerByteOrVersion211) {
    struct Case {
        std::uint16_t version;
        std::uint8_t marker;
        bool accepted;
    };
    for (Case c : {Case{211, 0xFF, true}, Case{211, 0x00, true}, Case{0, 0xFF, true},
                   Case{210, 0x00, false}, Case{212, 0x01, false}}) {
        Loaded loaded(GtmBuilder().Version(c.version).MarkerByte(c.marker).Add({}).Build());
        EXPECT_EQ(loaded.ok, c.accepted) << c.version << "/" << int(c.marker);
        EXPECT_EQ(loaded.set.count, c.accepted ? 1 : 0);
    }
}

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

TEST(GtmRefusal, ForeignFilesAndEveryTruncationOfAValidOne) {
    ExpectRefused(GtmBuilder().Signature("TrackMakeR").Add({}).Build(), FileError::WrongSignature);
    ExpectRefused({0xFF, 'W', 'p', 't', 0xFF, 0, 0, 0, 0, 0, 0, 0, 0, 0},
                  FileError::WrongSignature);
    ExpectRefused({'x'}, FileError::WrongSignature);
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
        // Refused by the size check before 2^31-1 records (about 80 GB) are allocated.
        {GtmBuilder().Add({}).StatedWaypointCount(0x7FFFFFFF).Build(), FileError::Truncated},
        {GtmBuilder().Add({}).StatedExtraCount(0x7FFFFFFF).Build(), FileError::Truncated},
    };
    for (const auto& [bytes, error] : cases) ExpectRefused(bytes, error);
}

}  // namespace
}  // namespace quendra
