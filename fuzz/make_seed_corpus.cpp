// Writes the seed corpus: GTM files from the project's GTM builder, covering each field
// the reader looks at and each way a header can lie, and WTR files from the project's own
// WTR writer plus a few damaged ones. Usage: quendra_seed_corpus OUTDIR
// (writes OUTDIR/gtm/*.gtm and OUTDIR/wtr/*.wtr).
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/gtm_builder.h"
#include "waypoints/gtm_waypoint_set.h"
#include "waypoints/wtr_waypoint_set.h"

using quendra::testing::GtmBuilder;
using quendra::testing::GtmRecordSpec;
using Bytes = std::vector<std::uint8_t>;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr float kFloatMax = std::numeric_limits<float>::max();

GtmRecordSpec Waypoint(std::string name, double latitude = 25.0, double longitude = 121.5) {
    GtmRecordSpec record;
    record.name = std::move(name);
    record.latitude = latitude;
    record.longitude = longitude;
    return record;
}

GtmBuilder ThreeWaypoints() {
    GtmBuilder builder;
    const std::size_t lengths[] = {0, 5, 300};
    for (std::size_t length : lengths) {
        GtmRecordSpec record = Waypoint("C" + std::to_string(length));
        record.comment.assign(length, 'c');
        builder.Add(record);
    }
    return builder;
}

Bytes Patched(Bytes bytes, std::size_t at, std::vector<std::uint8_t> with) {
    for (std::size_t i = 0; i < with.size() && at + i < bytes.size(); ++i) bytes[at + i] = with[i];
    return bytes;
}

Bytes Cut(Bytes bytes, std::size_t size) {
    bytes.resize(std::min(size, bytes.size()));
    return bytes;
}

std::vector<std::pair<std::string, Bytes>> GtmSeeds() {
    std::vector<std::pair<std::string, Bytes>> seeds;
    auto add = [&seeds](std::string name, Bytes bytes) {
        seeds.emplace_back(std::move(name), std::move(bytes));
    };

    add("one-waypoint", GtmBuilder().Add(Waypoint("HOME")).Build());
    add("no-waypoints", GtmBuilder().Build());
    add("zero-marker-byte-version-211", GtmBuilder().MarkerByte(0x00).Add(Waypoint("A")).Build());
    add("zero-marker-byte-other-version",
        GtmBuilder().Version(210).MarkerByte(0x00).Add(Waypoint("A")).Build());
    add("wrong-signature", GtmBuilder().Signature("TrackMakex").Add(Waypoint("A")).Build());

    // Names: full length, padded, with a zero inside, Big5, a cut double-byte character,
    // and one that reads like the WTR track marker once written.
    GtmBuilder names;
    for (const std::string& name :
         std::vector<std::string>{"HOME", "ABCDEFGHIJ", std::string("AB\0CD", 5), std::string(),
                                  std::string("\xA5\xC9\xA4\x73", 4), std::string("123456789\xA5"),
                                  std::string("\xFFTrk\xFFZ")}) {
        names.Add(Waypoint(name));
    }
    add("names", names.Build());

    add("comments-0-5-300", ThreeWaypoints().Build());
    GtmRecordSpec longest = Waypoint("LONGEST");
    longest.comment.assign(65535, 'k');
    add("comment-65535", GtmBuilder().Add(longest).Add(Waypoint("AFTER")).Build());
    std::string longString(32767, 's');
    add("header-strings-32767", GtmBuilder()
                                    .HeaderStrings({longString, longString, longString, longString})
                                    .Add(Waypoint("A"))
                                    .Build());

    GtmBuilder icons;
    for (std::uint16_t icon : {27, 34, 48, 60, 73, 0, 65535}) {
        GtmRecordSpec record = Waypoint("I" + std::to_string(icon));
        record.icon = icon;
        icons.Add(record);
    }
    add("icons", icons.Build());

    GtmBuilder altitudes;
    for (float altitude :
         {12.6f, -12.2f, 1234.4f, 0.5f, -kFloatMax, kFloatMax,
          std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()}) {
        GtmRecordSpec record = Waypoint("ALT");
        record.altitude = altitude;
        altitudes.Add(record);
    }
    add("altitudes", altitudes.Build());

    // Positions at and past the edges of the semicircle range, and ones with no value.
    const std::pair<double, double> positions[] = {
        {25.0, 121.5}, {-0.7, -0.7},     {90.0, 180.0}, {-90.0, -180.0},
        {0.0, 190.0},  {0.0, -190.0},    {0.0, 541.0},  {180.0000107, 0.0},
        {kNaN, 0.0},   {0.0, kInfinity}, {1e300, 0.0},  {0.0, 179.999},
    };
    for (std::size_t i = 0; i < std::size(positions); ++i) {
        add("position-" + std::to_string(i),
            GtmBuilder().Add(Waypoint("P", positions[i].first, positions[i].second)).Build());
    }

    // Datums: WGS84, Hu-Tzu-Shan (one pushed past 180 by the shift), and refused ones.
    for (std::uint16_t datum : {217, 81, 0, 100, 216}) {
        add("datum-" + std::to_string(datum), GtmBuilder()
                                                  .Datum(datum)
                                                  .Add(Waypoint("TW", 25.0, 121.5))
                                                  .Add(Waypoint("EDGE", 0.0, 179.995))
                                                  .Build());
    }

    add("extra-entries", GtmBuilder()
                             .ExtraEntry("map.bmp", "")
                             .ExtraEntry(std::string(300, 'x'), "second")
                             .Add(Waypoint("A"))
                             .Add(Waypoint("B"))
                             .Build());
    add("trailer", GtmBuilder().Add(Waypoint("A")).Trailer(Bytes(200, 0x7E)).Build());

    GtmBuilder many;
    for (int i = 0; i < 200; ++i) many.Add(Waypoint("W" + std::to_string(i), i * 0.4, i * 0.9));
    add("200-waypoints", many.Build());

    // Headers that lie about what follows.
    add("count-2147483647",
        GtmBuilder().StatedWaypointCount(0x7FFFFFFF).Add(Waypoint("A")).Build());
    add("count-4000000", GtmBuilder().StatedWaypointCount(4000000).Add(Waypoint("A")).Build());
    add("count-negative", GtmBuilder().StatedWaypointCount(-1).Add(Waypoint("A")).Build());
    add("count-one-too-many", ThreeWaypoints().StatedWaypointCount(4).Build());
    add("extras-2147483647",
        GtmBuilder().StatedExtraCount(0x7FFFFFFF).ExtraEntry("a", "b").Add(Waypoint("A")).Build());
    add("extras-negative", GtmBuilder().StatedExtraCount(-1).Add(Waypoint("A")).Build());
    add("header-string-length-negative",
        Patched(GtmBuilder().Add(Waypoint("A")).Build(), 99, {0xFF, 0xFF}));
    add("header-string-length-32767-unbacked",
        Patched(GtmBuilder().Add(Waypoint("A")).Build(), 99, {0xFF, 0x7F}));
    GtmBuilder unbacked = GtmBuilder().Add(Waypoint("A"));
    add("comment-65535-unbacked",
        Patched(unbacked.Build(), unbacked.FirstRecordOffset() + 26, {0xFF, 0xFF}));

    // A sound file cut inside the header, the header strings, the block and a record.
    Bytes whole = ThreeWaypoints().Build();
    for (std::size_t size : std::vector<std::size_t>{13, 40, 66, 100, 150, 200, whole.size() - 1}) {
        add("cut-at-" + std::to_string(size), Cut(whole, size));
    }
    return seeds;
}

// WTR files the converter cannot have written.
std::vector<std::pair<std::string, Bytes>> WtrSeeds() {
    std::vector<std::pair<std::string, Bytes>> damaged;
    auto marker = [](const char* tag) {
        Bytes bytes(16, 0);
        bytes[0] = bytes[4] = 0xFF;
        std::memcpy(&bytes[1], tag, 3);
        return bytes;
    };
    Bytes empty = marker("Wpt");
    for (const char* tag : {"Trk", "Rte"}) {
        Bytes more = marker(tag);
        empty.insert(empty.end(), more.begin(), more.end());
    }
    damaged.emplace_back("no-waypoints", empty);
    damaged.emplace_back("marker-only", marker("Wpt"));
    Bytes partial = marker("Wpt");
    partial.resize(16 + 40, 'N');
    damaged.emplace_back("cut-in-record", partial);
    return damaged;
}

bool SaveConverted(const Bytes& gtm, const std::filesystem::path& path) {
    quendra::GtmWaypointSet set;
    quendra::VectorLineSink lines;
    quendra::WtrWaypointSet wtr;
    return set.LoadFromBytes(gtm, lines) && wtr.BuildFrom(set.count, set.records.get()) &&
           wtr.Save(path);
}

bool Write(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return out.good();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: quendra_seed_corpus OUTDIR\n");
        return 2;
    }
    std::filesystem::path gtmFolder = std::filesystem::path(argv[1]) / "gtm";
    std::filesystem::path wtrFolder = std::filesystem::path(argv[1]) / "wtr";
    std::filesystem::create_directories(gtmFolder);
    std::filesystem::create_directories(wtrFolder);

    int written = 0;
    for (const auto& [name, bytes] : GtmSeeds()) {
        if (!Write(gtmFolder / (name + ".gtm"), bytes)) return 1;
        ++written;
        // Every seed that converts also gives a WTR seed, the way the program writes it.
        if (SaveConverted(bytes, wtrFolder / (name + ".wtr"))) ++written;
    }
    for (const auto& [name, bytes] : WtrSeeds()) {
        if (!Write(wtrFolder / (name + ".wtr"), bytes)) return 1;
        ++written;
    }
    // Cut copies of a written file: inside a record, before the track marker, before the
    // route marker.
    std::ifstream in(wtrFolder / "comments-0-5-300.wtr", std::ios::binary);
    Bytes converted{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (converted.size() < 100) return 1;
    for (std::size_t size : {std::size_t{50}, converted.size() - 32, converted.size() - 16}) {
        if (!Write(wtrFolder / ("cut-at-" + std::to_string(size) + ".wtr"), Cut(converted, size))) {
            return 1;
        }
        ++written;
    }
    std::printf("wrote %d seed files under %s\n", written, argv[1]);
    return 0;
}
