// Reading GTM files: the header walk, the records, the display lines, and refusal of
// anything that is not a sound GTM file.
#include "waypoints/gtm_waypoint_set.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cstring>
#include <string>
#include <vector>

#include "tests/support/gtm_builder.h"
#include "tests/support/temp_dir.h"

namespace quendra {
namespace {

using testing::GtmBuilder;
using testing::GtmRecordSpec;

std::string Name10(const GtmWaypoint& w) {
    return std::string(w.name, 10);
}

struct Loaded {
    GtmWaypointSet set;
    VectorLineSink lines;
    bool ok = false;
};

void LoadBytes(const std::vector<std::uint8_t>& bytes, Loaded& loaded) {
    loaded.ok = loaded.set.LoadFromBytes(bytes, loaded.lines);
}

struct HeaderCase {
    const char* label;
    std::vector<std::string> headerStrings;
    std::vector<std::pair<std::string, std::string>> extras;
};

class HeaderWalk : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(HeaderWalk, FindsTheDatumAndTheFirstWaypoint) {
    const HeaderCase& c = GetParam();
    GtmBuilder builder;
    builder.HeaderStrings(c.headerStrings).Datum(81);
    for (const auto& [first, second] : c.extras) builder.ExtraEntry(first, second);
    builder.Add(
        {.latitude = 23.5, .longitude = 120.25, .name = "PEAK", .icon = 60, .altitude = 3952.0f});
    Loaded loaded;
    LoadBytes(builder.Build(), loaded);

    ASSERT_TRUE(loaded.ok);
    EXPECT_EQ(loaded.set.datumCode, 81);
    ASSERT_EQ(loaded.set.count, 1);
    const GtmWaypoint& w = loaded.set.records[0];
    EXPECT_EQ(w.latitude, 23.5);
    EXPECT_EQ(w.longitude, 120.25);
    EXPECT_EQ(Name10(w), std::string("PEAK\0\0\0\0\0\0", 10));
    EXPECT_EQ(w.iconCode, 60);
    EXPECT_EQ(w.altitude, 3952.0f);
}

INSTANTIATE_TEST_SUITE_P(
    Headers, HeaderWalk,
    ::testing::Values(HeaderCase{"EmptyStrings", {"", "", "", ""}, {}},
                      HeaderCase{"FontName", {"Times New Roman", "", "", ""}, {}},
                      HeaderCase{"FourStrings", {"a", "bb", "ccc", std::string(300, 'd')}, {}},
                      HeaderCase{"OneExtraEntry", {"Arial", "", "", ""}, {{"map.bmp", "layer"}}},
                      HeaderCase{"ThreeExtraEntries",
                                 {"", "x", "", ""},
                                 {{"", ""}, {"first", std::string(1000, 'z')}, {"a", "b"}}}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(GtmRecords, StepByFortyThreeBytesPlusTheComment) {
    // Comments of 0, 5 and 300 bytes put the records at e, e + 43 and e + 91.
    GtmBuilder builder;
    builder.Add({.latitude = 1.0, .name = "ZERO", .comment = "", .icon = 27, .altitude = 1.0f})
        .Add({.latitude = 2.0, .name = "FIVE", .comment = "hello", .icon = 34, .altitude = 2.0f})
        .Add({.latitude = 3.0,
              .name = "LONG",
              .comment = std::string(300, 'c'),
              .icon = 73,
              .altitude = 3.0f})
        .Trailer({1, 2, 3, 4, 5});
    std::vector<std::uint8_t> bytes = builder.Build();
    std::size_t e = builder.FirstRecordOffset();
    double second;
    std::memcpy(&second, bytes.data() + e + 43, 8);
    ASSERT_EQ(second, 2.0) << "the builder itself places records as the format says";
    double third;
    std::memcpy(&third, bytes.data() + e + 91, 8);
    ASSERT_EQ(third, 3.0);

    Loaded loaded;
    LoadBytes(bytes, loaded);
    ASSERT_TRUE(loaded.ok);
    ASSERT_EQ(loaded.set.count, 3);
    const char* names[] = {"ZERO", "FIVE", "LONG"};
    const std::uint16_t icons[] = {27, 34, 73};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(loaded.set.records[i].latitude, i + 1.0);
        EXPECT_STREQ(loaded.set.records[i].name, names[i]);
        EXPECT_EQ(loaded.set.records[i].iconCode, icons[i]);
        EXPECT_EQ(loaded.set.records[i].altitude, i + 1.0f);
    }
}

TEST(GtmRecords, ACommentOfTheLargestLengthIsSteppedOverInFull) {
    GtmBuilder builder;
    builder.Add({.name = "BIG", .comment = std::string(65535, 'x'), .icon = 60})
        .Add({.latitude = -33.5, .name = "NEXT"});
    Loaded loaded;
    LoadBytes(builder.Build(), loaded);
    ASSERT_TRUE(loaded.ok);
    ASSERT_EQ(loaded.set.count, 2);
    EXPECT_EQ(loaded.set.records[0].iconCode, 60);
    EXPECT_STREQ(loaded.set.records[1].name, "NEXT");
    EXPECT_EQ(loaded.set.records[1].latitude, -33.5);
}

struct NameCase {
    const char* label;
    std::string fileName;    // as stored, padded with zeros to 10 bytes
    std::string recordName;  // what reads back as a C string
    std::string lineName;    // the 10 characters the display line starts with
};

class Names : public ::testing::TestWithParam<NameCase> {};

TEST_P(Names, KeepTheRawBytesAndShowZerosAsSpaces) {
    const NameCase& c = GetParam();
    Loaded loaded;
    LoadBytes(GtmBuilder().Add({.name = c.fileName, .altitude = 7.0f}).Build(), loaded);
    ASSERT_TRUE(loaded.ok);
    const GtmWaypoint& w = loaded.set.records[0];
    std::string stored = c.fileName;
    stored.resize(10, '\0');
    EXPECT_EQ(Name10(w), stored);
    EXPECT_EQ(w.name[10], '\0');
    EXPECT_EQ(std::string(w.name), c.recordName);
    ASSERT_EQ(loaded.lines.lines.size(), 1u);
    EXPECT_EQ(loaded.lines.lines[0], c.lineName + "   7");
}

INSTANTIATE_TEST_SUITE_P(
    GtmNames, Names,
    ::testing::Values(NameCase{"TenFullBytes", "ABCDEFGHIJ", "ABCDEFGHIJ", "ABCDEFGHIJ"},
                      NameCase{"ZeroPadded", "AB", "AB", "AB        "},
                      NameCase{"ZeroThenMoreBytes", std::string("AB\0CD", 5), "AB", "AB CD     "},
                      NameCase{"Big5", "\xA4\xA4\xA4\xE5", "\xA4\xA4\xA4\xE5",
                               "\xA4\xA4\xA4\xE5      "},
                      // The 10-byte field ends inside a double-byte character; the byte is kept.
                      NameCase{"CutDoubleByte", "\xA5\x5F\xA4\x73\xA5\x5F\xA4\x73\xA5\x5F\xA4",
                               "\xA5\x5F\xA4\x73\xA5\x5F\xA4\x73\xA5\x5F",
                               "\xA5\x5F\xA4\x73\xA5\x5F\xA4\x73\xA5\x5F"},
                      NameCase{"CutAfterNine", "123456789\xA4", "123456789\xA4", "123456789\xA4"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(DisplayLine, RoundsTheAltitudeIntoAFieldOfAtLeastThree) {
    struct Case {
        std::string name;
        float altitude;
        std::string line;
    };
    // The name part is always 10 characters, then one space, then the altitude.
    const Case cases[] = {
        {"HOME", 12.6f,
         "HOME      "
         " "
         " 13"},  // four letters, eight spaces, 13
        {"HOME", 1234.4f,
         "HOME      "
         " "
         "1234"},
        {"HOME", -12.2f,
         "HOME      "
         " "
         "-12"},
        {"HOME", 0.0f,
         "HOME      "
         " "
         "  0"},
        {"HOME", -0.4f,
         "HOME      "
         " "
         " -0"},
        {"HOME", 99999.0f,
         "HOME      "
         " "
         "99999"},
    };
    for (const Case& c : cases) {
        GtmWaypoint w{};
        std::memcpy(w.name, c.name.data(), c.name.size());
        w.altitude = c.altitude;
        EXPECT_EQ(GtmDisplayLine(w), c.line) << c.altitude;
    }
}

TEST(DisplayLine, TheMostNegativeAltitudeGivesTheLongestLine) {
    GtmWaypoint w{};
    std::memcpy(w.name, "ABCDEFGHIJ", 10);
    w.altitude = -FLT_MAX;
    std::string line = GtmDisplayLine(w);
    EXPECT_EQ(line.size(), 51u);
    EXPECT_EQ(line.substr(0, 13), "ABCDEFGHIJ -3");
}

TEST(GtmLoad, LinesFollowFileOrderOnePerWaypoint) {
    GtmBuilder builder;
    for (int i = 0; i < 50; ++i) {
        builder.Add({.name = "W" + std::to_string(i), .altitude = static_cast<float>(i)});
    }
    Loaded loaded;
    loaded.lines.AddLine("line from before");
    LoadBytes(builder.Build(), loaded);
    ASSERT_TRUE(loaded.ok);
    ASSERT_EQ(loaded.lines.lines.size(), 51u);
    EXPECT_EQ(loaded.lines.lines[0], "line from before");
    for (int i = 0; i < 50; ++i) {
        std::string name = "W" + std::to_string(i);
        EXPECT_EQ(loaded.lines.lines[i + 1].substr(0, 10), name + std::string(10 - name.size(), ' '));
        EXPECT_EQ(std::stoi(loaded.lines.lines[i + 1].substr(11)), i);
    }
}

TEST(GtmLoad, NoWaypointsIsASuccessThatReadsNothingElse) {
    // The header is cut right after the counts: nothing past them may be needed.
    std::vector<std::uint8_t> bytes = GtmBuilder().Datum(81).Build();
    bytes.resize(99);
    Loaded loaded;
    LoadBytes(bytes, loaded);
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
    const Case cases[] = {
        {211, 0xFF, true},  {211, 0x00, true},  {0, 0xFF, true},
        {210, 0x00, false}, {212, 0x01, false},
    };
    for (const Case& c : cases) {
        Loaded loaded;
        LoadBytes(GtmBuilder().Version(c.version).MarkerByte(c.marker).Add({}).Build(), loaded);
        EXPECT_EQ(loaded.ok, c.accepted) << c.version << "/" << int(c.marker);
        EXPECT_EQ(loaded.set.count, c.accepted ? 1 : 0);
    }
}

// Everything a load refuses leaves the set empty and the list as it was.
void ExpectRefused(const std::vector<std::uint8_t>& bytes, FileError expected) {
    Loaded loaded;
    loaded.lines.AddLine("kept");
    LoadBytes(bytes, loaded);
    EXPECT_FALSE(loaded.ok);
    EXPECT_EQ(loaded.set.error, expected);
    EXPECT_EQ(loaded.set.count, 0);
    EXPECT_EQ(loaded.set.records, nullptr);
    EXPECT_EQ(loaded.lines.lines, std::vector<std::string>{"kept"});
}

TEST(GtmRefusal, ForeignFiles) {
    ExpectRefused(GtmBuilder().Signature("TrackMakeR").Add({}).Build(), FileError::WrongSignature);
    const std::vector<std::uint8_t> wtr = {0xFF, 'W', 'p', 't', 0xFF, 0, 0, 0,
                                           0,    0,   0,   0,   0,    0, 0, 0};
    ExpectRefused(wtr, FileError::WrongSignature);
    ExpectRefused({'x'}, FileError::WrongSignature);
}

TEST(GtmRefusal, EveryTruncationOfAValidFile) {
    GtmBuilder builder;
    builder.ExtraEntry("entry", "data")
        .Add({.name = "A", .comment = "abc"})
        .Add({.name = "B", .comment = std::string(70, 'k')});
    std::vector<std::uint8_t> bytes = builder.Build();
    for (std::size_t size = 13; size < bytes.size(); ++size) {
        SCOPED_TRACE(size);
        ExpectRefused({bytes.begin(), bytes.begin() + static_cast<long>(size)},
                      FileError::Truncated);
    }
}

TEST(GtmRefusal, CountsAndLengthsThatLie) {
    ExpectRefused(GtmBuilder().Add({}).StatedWaypointCount(-1).Build(), FileError::Malformed);
    ExpectRefused(GtmBuilder().Add({}).StatedExtraCount(-5).Build(), FileError::Malformed);
    ExpectRefused(GtmBuilder().Add({}).Add({}).StatedWaypointCount(3).Build(),
                  FileError::Truncated);
    ExpectRefused(GtmBuilder().Add({}).StatedExtraCount(1).Build(), FileError::Truncated);
    // A negative header string length (0xFFFF).
    std::vector<std::uint8_t> bytes = GtmBuilder().Add({}).Build();
    bytes[99] = 0xFF;
    bytes[100] = 0xFF;
    ExpectRefused(bytes, FileError::Malformed);
}

TEST(GtmRefusal, AHugeStatedCountAllocatesNothing) {
    // Refused by the size check before allocating 2^31-1 records (about 80 GB).
    ExpectRefused(GtmBuilder().Add({}).StatedWaypointCount(0x7FFFFFFF).Build(),
                  FileError::Truncated);
    ExpectRefused(GtmBuilder().Add({}).StatedExtraCount(0x7FFFFFFF).Build(), FileError::Truncated);
}

TEST(GtmLoadFromFile, ReadsTheFileAndReportsWhyItCannot) {
    testing::TempDir dir;
    testing::WriteBytes(dir / "ok.gtm", GtmBuilder().Add({.name = "X"}).Build());
    testing::WriteBytes(dir / "empty.gtm", {});

    GtmWaypointSet good;
    VectorLineSink lines;
    EXPECT_TRUE(good.Load(dir / "ok.gtm", lines));
    EXPECT_EQ(good.count, 1);

    struct Case {
        const char* name;
        FileError error;
    };
    for (const Case& c : {Case{"missing.gtm", FileError::CannotOpen},
                          Case{"empty.gtm", FileError::Empty}, Case{".", FileError::CannotOpen}}) {
        GtmWaypointSet set;
        EXPECT_FALSE(set.Load(dir / c.name, lines)) << c.name;
        EXPECT_EQ(set.error, c.error) << c.name;
        EXPECT_EQ(set.count, 0);
    }
    EXPECT_EQ(lines.lines.size(), 1u);
}

}  // namespace
}  // namespace quendra
