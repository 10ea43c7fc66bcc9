// GPX files: what is read from them whatever their version, namespace or encoding, how their
// names fit a WTR name's 10 bytes, and what is refused.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/byte_source.h"
#include "platform/codepage.h"
#include "tests/support/gzip.h"
#include "waypoints/gpx_reader.h"
#include "waypoints/waypoint_file.h"
#include "waypoints/wtr_waypoint_set.h"

namespace quendra {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr const char* kGpx11 =
    R"(<gpx version="1.1" creator="test" xmlns="http://www.topografix.com/GPX/1/1">)";

std::string Gpx(const std::string& body, const std::string& root = kGpx11,
                const std::string& encoding = "UTF-8") {
    return "<?xml version=\"1.0\" encoding=\"" + encoding + "\"?>\n" + root + "\n" + body +
           "</gpx>\n";
}

Bytes ToBytes(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

// UTF-16LE with a byte-order mark, as Windows tools save "Unicode" text.
Bytes Utf16(const std::string& utf8) {
    Bytes out = {0xFF, 0xFE};
    auto put = [&](std::uint32_t unit) {
        out.push_back(static_cast<std::uint8_t>(unit));
        out.push_back(static_cast<std::uint8_t>(unit >> 8));
    };
    for (std::size_t at = 0; at < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[at]);
        const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        std::uint32_t c = length == 1 ? lead : lead & (0x3F >> (length - 1));
        for (std::size_t i = 1; i < length; ++i) c = c << 6 | (utf8[at + i] & 0x3F);
        at += length;
        if (c < 0x10000) {
            put(c);
        } else {
            put(0xD800 + ((c - 0x10000) >> 10));
            put(0xDC00 + ((c - 0x10000) & 0x3FF));
        }
    }
    return out;
}

bool Load(const Bytes& bytes, WaypointFile& file) {
    CodePageEncoder names;
    EXPECT_TRUE(names.Open(kGpxNameCodePage));
    return file.LoadFromBytes(bytes, names);
}

// Expected bytes from Python: name.strip().encode("cp950", "replace"), cut before the
// character that would pass 10 bytes.
TEST(GpxNames, AreTrimmedWrittenInBig5AndCutBetweenCharacters) {
    struct Case {
        const char* name;
        const char* written;
        bool changed;
    };
    const Case cases[] = {
        {"玉山主峰",
         "\xA5\xC9\xA4s\xA5"
         "D\xAEp",
         false},
        {"  玉山主峰北峰西峰 \n",
         "\xA5\xC9\xA4s\xA5"
         "D\xAEp\xA5_",
         true},
        {"A玉山主峰北峰",
         "A\xA5\xC9\xA4s\xA5"
         "D\xAEp",
         true},  // 北 would end past byte 10
        {"北大武山abc", "\xA5_\xA4j\xAAZ\xA4sab", true},
        {"Mt.玉山 North", "Mt.\xA5\xC9\xA4s No", true},
        {"😀 summit", "? summit", true},
        {"Café Zürich", "Caf? Z?ric", true},
        {"Hangul 서울", "Hangul ??", true},
        {"\u3000中文\u3000", "\xA4\xA4\xA4\xE5", false},
        {"ABCDEFGHIJ", "ABCDEFGHIJ", false},
        {"", "", false},
    };
    CodePageEncoder encoder;
    ASSERT_TRUE(encoder.Open(kGpxNameCodePage));
    for (const Case& c : cases) {
        for (bool asciiAsIs : {true, false}) {
            SCOPED_TRACE(std::string(c.name) + (asciiAsIs ? "" : ", ASCII asked for"));
            char name[11];
            EXPECT_EQ(FitName(c.name, encoder, asciiAsIs, name), c.changed);
            EXPECT_EQ(
                std::string(name, 11),
                std::string(c.written) + std::string(11 - std::string(c.written).size(), '\0'));
        }
    }
}

TEST(GpxFiles, GiveTheirWaypointsWhateverTheirVersionNamespaceOrEncoding) {
    const std::string body =
        "<metadata><name>not a waypoint</name></metadata>\n"
        "<wpt lat=\"23.47\" lon=\"120.957\"><ele>3952.43</ele><name>玉山主峰</name>"
        "<sym>SUMMIT</sym></wpt>\n"
        "<wpt lat=\"-33.5\" lon=\"-180\"><name>R&amp;R&#x7389;</name><sym>Park</sym>"
        "<extensions><name>not its name</name></extensions></wpt>\n"
        "<wpt lon=\"180\" lat=\" +1e-5 \"><ele>high</ele><sym>Dam</sym></wpt>\n"
        "<rte><rtept lat=\"1\" lon=\"1\"/></rte>\n"
        "<trk><trkseg><trkpt lat=\"1\" lon=\"2\"/><trkpt lat=\"1\" lon=\"2\"/></trkseg></trk>\n";
    const std::string gpx10 = R"(<gpx version="1.0" xmlns="http://www.topografix.com/GPX/1/0">)";
    std::string prefixed =
        Gpx(body, R"(<g:gpx version="1.1" xmlns:g="http://www.topografix.com/GPX/1/1">)");
    for (std::size_t at = 0; (at = prefixed.find('<', at)) != std::string::npos; ++at) {
        if (prefixed[at + 1] == '/' && prefixed.compare(at, 6, "</g:gp") != 0)
            prefixed.insert(at + 2, "g:");
        else if (std::isalpha(static_cast<unsigned char>(prefixed[at + 1])) &&
                 prefixed[at + 2] != ':')
            prefixed.insert(at + 1, "g:");
    }
    const struct {
        const char* what;
        Bytes file;
    } files[] = {
        {"GPX 1.1", ToBytes(Gpx(body))},
        {"GPX 1.0", ToBytes(Gpx(body, gpx10))},
        {"no namespace", ToBytes(Gpx(body, "<gpx version=\"1.1\">"))},
        {"a namespace prefix", ToBytes(prefixed)},
        {"UTF-16 with a byte-order mark", Utf16(Gpx(body, kGpx11, "UTF-16"))},
        {"gzip-compressed", testing::Gzip(ToBytes(Gpx(body)))},
    };
    for (const auto& [what, bytes] : files) {
        SCOPED_TRACE(what);
        WaypointFile file;
        ASSERT_TRUE(Load(bytes, file))
            << static_cast<int>(file.set.error) << " line " << file.gpx.line;
        EXPECT_EQ(file.format, WaypointFormat::Gpx);
        const GtmWaypointSet& set = file.set;
        ASSERT_EQ(set.count, 3);
        EXPECT_EQ(set.CheckDatum().kind, DatumVerdict::Kind::Keep);
        EXPECT_EQ(std::string(set.records[0].name),
                  "\xA5\xC9\xA4s\xA5"
                  "D\xAEp");
        EXPECT_EQ(std::string(set.records[1].name), "R&R\xA5\xC9");
        EXPECT_EQ(std::string(set.records[2].name), "");
        const double latitudes[] = {23.47, -33.5, 1e-5}, longitudes[] = {120.957, -180, 180};
        const float altitudes[] = {3952.43f, kUnknownAltitude, kUnknownAltitude};
        const std::uint16_t symbols[] = {8246, 159, 18};
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(set.records[i].latitude, latitudes[i]);
            EXPECT_EQ(set.records[i].longitude, longitudes[i]);
            EXPECT_EQ(set.records[i].altitude, altitudes[i]);
            EXPECT_EQ(WtrSymbolFor(set.records[i].iconCode), symbols[i]);
        }
        EXPECT_EQ(file.gpx.routePoints, 1);
        EXPECT_EQ(file.gpx.trackPoints, 2);
    }
}

// A source that gives one byte at a time: every character is cut between two reads.
struct Trickle : ByteSource {
    explicit Trickle(const Bytes& bytes) : rest(bytes) {}
    bool Read(std::uint8_t* out, std::size_t size, std::size_t& got) override {
        got = size > 0 && !rest.empty() ? 1 : 0;
        if (got == 1) *out = rest.front(), rest = rest.subspan(1);
        return true;
    }
    std::span<const std::uint8_t> rest;
};

// Older Taiwanese tools declare Big5; the parsers know none, so it is decoded on the way,
// however the reads cut its characters.
TEST(GpxFiles, DeclaredInBig5AreDecodedOnTheWay) {
    std::string body;
    for (int i = 0; i < 100; ++i) {
        body += "<wpt lat=\"25\" lon=\"121\"><name>\xA5\xC9\xA4s" + std::to_string(i) +
                "</name></wpt>\n";
    }
    const Bytes bytes = ToBytes(Gpx(body, kGpx11, "Big5"));
    CodePageEncoder names;
    ASSERT_TRUE(names.Open(kGpxNameCodePage));
    Trickle trickle(bytes);
    GtmWaypointSet set;
    GpxReport report;
    ASSERT_TRUE(LoadGpx(trickle, names, set, report));
    ASSERT_EQ(set.count, 100);
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(std::string(set.records[i].name), "\xA5\xC9\xA4s" + std::to_string(i));
    }
    EXPECT_EQ(report.changedNames, 0);
}

// Nothing is loaded from these; where the document broke is told (line 3 unless said).
TEST(GpxFiles, HostileOrBrokenAreRefused) {
    const std::string waypoint = "<wpt lat=\"1\" lon=\"2\"><name>A</name></wpt>\n";
    std::string laughs = "<!DOCTYPE gpx [\n<!ENTITY a \"aaaaaaaaaa\">\n";
    for (char e = 'b'; e <= 'j'; ++e) {
        std::string tenfold;
        for (int i = 0; i < 10; ++i) tenfold += std::string("&") + static_cast<char>(e - 1) + ";";
        laughs += std::string("<!ENTITY ") + e + " \"" + tenfold + "\">\n";
    }
    std::string nested;
    for (int i = 0; i < 100; ++i) nested = "<x>" + nested + "</x>";
    std::string deep = waypoint;
    deep.insert(deep.rfind("</wpt>"), nested);
    const std::string xml = "<?xml version=\"1.0\"?>\n";
    const Failure anyXml = Failure::MalformedXml;  // or XmlRefused: the parsers differ
    const struct {
        const char* what;
        std::string file;
        Failure failure;
        std::uint64_t line = 3;
    } cases[] = {
        {"billion laughs",
         xml + laughs + "]>\n" + kGpx11 + "<wpt lat=\"1\" lon=\"2\"><name>&j;</name></wpt></gpx>",
         anyXml, 2},
        {"an external entity",
         xml + "<!DOCTYPE gpx [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>\n" + kGpx11 +
             "<wpt lat=\"1\" lon=\"2\"><name>&x;</name></wpt></gpx>",
         anyXml, 2},
        {"a DTD",
         xml + "<!DOCTYPE gpx SYSTEM \"http://localhost:9/gpx.dtd\">\n" +
             Gpx(waypoint).substr(xml.size()),
         anyXml, 2},
        {"an undeclared entity", Gpx("<wpt lat=\"1\" lon=\"2\"><name>&nbsp;</name></wpt>"), anyXml},
        {"deep nesting", Gpx(deep), anyXml},
        {"a 10 MB attribute",
         Gpx("<wpt lat=\"1\" lon=\"2\" x=\"" + std::string(10 << 20, 'x') + "\"/>"), anyXml},
        {"cut inside a waypoint",
         Gpx(waypoint + waypoint).substr(0, Gpx(waypoint + waypoint).size() - 20),
         Failure::MalformedXml, 4},
        {"a tag closed wrongly", Gpx(waypoint + "<wpt lat=\"1\" lon=\"2\"></trk>"),
         Failure::MalformedXml, 4},
        {"latitude out of range",
         Gpx(waypoint + "<wpt lat=\"90.5\" lon=\"2\"><name>Z</name></wpt>"), Failure::BadPosition,
         4},
        {"latitude no number", Gpx("<wpt lat=\"north\" lon=\"2\"><name>Z</name></wpt>"),
         Failure::BadPosition},
        {"longitude missing", Gpx("<wpt lat=\"1\"><name>Z</name></wpt>"), Failure::BadPosition},
        {"no waypoints", Gpx("<trk><trkseg><trkpt lat=\"1\" lon=\"2\"/></trkseg></trk>"),
         Failure::NoWaypoints, 0},
        {"another root", xml + "<kml>" + waypoint + "</kml>", Failure::WrongSignature, 0},
        {"no XML", "WPT 1 2\n", Failure::WrongSignature, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WaypointFile file;
        EXPECT_FALSE(Load(ToBytes(c.file), file));
        EXPECT_EQ(file.set.count, 0);
        EXPECT_FALSE(file.set.records);
        if (c.failure == anyXml) {
            EXPECT_TRUE(file.set.error == Failure::MalformedXml ||
                        file.set.error == Failure::XmlRefused)
                << static_cast<int>(file.set.error);
        } else {
            EXPECT_EQ(file.set.error, c.failure);
        }
        if (c.line > 0) {
            EXPECT_EQ(file.gpx.line, c.line);
        }
        if (c.failure == Failure::BadPosition) {
            EXPECT_EQ(file.gpx.badName, "Z");
        }
    }
}

}  // namespace
}  // namespace quendra
