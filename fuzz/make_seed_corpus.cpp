// Writes the seed corpus: GTM files from the project's GTM builder, each mixing a different
// set of names, positions, datums, icons, altitudes, comment lengths, header strings and
// extra entries, some with counts that lie or cut short; some of them gzip-compressed, in
// one member or two, or cut inside the compressed data; and as WTR seeds, what the
// converter writes from each that converts, whole and cut.
// Usage: quendra_seed_corpus OUTDIR (made afresh: OUTDIR/gtm/*.gtm, *.gtz and OUTDIR/wtr/*.wtr).
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <span>
#include <string>
#include <vector>

#include "tests/support/gtm_builder.h"
#include "tests/support/gzip.h"
#include "tests/support/temp_dir.h"
#include "waypoints/gtm_waypoint_set.h"
#include "waypoints/wtr_waypoint_set.h"

using namespace quendra;
using testing::GtmBuilder;
using Bytes = std::vector<std::uint8_t>;

namespace fs = std::filesystem;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

int main(int argc, char** argv) {
    if (argc != 2) return std::fprintf(stderr, "usage: quendra_seed_corpus OUTDIR\n"), 2;
    const fs::path gtm = fs::path(argv[1]) / "gtm", wtr = fs::path(argv[1]) / "wtr";
    const fs::path gpx = fs::path(argv[1]) / "gpx";
    fs::remove_all(argv[1]);
    fs::create_directories(gtm);
    fs::create_directories(wtr);
    fs::create_directories(gpx);

    // GPX: both versions, with and without a namespace, a DTD, Big5 declared, compressed.
    const std::string waypoints =
        "<wpt lat=\"25.03\" lon=\"121.56\"><ele>508</ele><name> 玉山主峰北峰 </name>"
        "<sym>Summit</sym></wpt><wpt lat=\"-0.7\" lon=\"-180\"><name>R&amp;R&#x7389;</name>"
        "</wpt><rte><rtept lat=\"1\" lon=\"2\"/></rte><trk><trkseg><trkpt lat=\"1\" lon=\"2\"/>"
        "</trkseg></trk></gpx>\n";
    const std::string documents[] = {
        "<?xml version=\"1.0\"?>\n<gpx version=\"1.1\" "
        "xmlns=\"http://www.topografix.com/GPX/1/1\">" +
            waypoints,
        "<gpx version=\"1.0\" xmlns=\"http://www.topografix.com/GPX/1/0\">" + waypoints,
        "<gpx>" + waypoints,
        "<?xml version=\"1.0\"?><!DOCTYPE gpx [<!ENTITY a \"b\">]><gpx>" + waypoints,
        "<?xml version=\"1.0\" encoding=\"Big5\"?><gpx><wpt lat=\"1\" lon=\"2\"><name>"
        "\xA5\xC9\xA4\x73</name></wpt></gpx>",
    };
    for (const std::string& document : documents) {
        const std::vector<std::uint8_t> bytes(document.begin(), document.end());
        const std::string name = std::to_string(&document - documents);
        testing::WriteBytes(gpx / (name + ".gpx"), bytes);
        testing::WriteBytes(gpx / (name + ".gpx.gz"), testing::Gzip(bytes));
    }

    // Zero bytes inside, Big5, a cut double-byte character, the WTR track marker.
    const std::string names[] = {
        "HOME",          "ABCDEFGHIJ",  {"AB\0CD", 5}, "", "\xA5\xC9\xA4\x73",
        "123456789\xA5", "\xFFTrk\xFFZ"};
    // At and past the edges of the semicircle range, and with no value at all.
    const double positions[][2] = {{25, 121.5}, {-0.7, -0.7}, {90, 180},      {-90, -180},
                                   {0, 190},    {0, 541},     {180.00001, 0}, {kNaN, 0},
                                   {0, 1e300},  {0, 179.995}};
    const std::uint16_t datums[] = {217, 81, 217, 0, 81, 216},
                        icons[] = {27, 34, 48, 60, 73, 0, 65535};
    const float altitudes[] = {12.6f, -12.5f, 0.5f, std::numeric_limits<float>::lowest(),
                               std::numeric_limits<float>::infinity()};
    const std::size_t comments[] = {0, 5, 300, 65535};
    const std::int32_t lies[] = {4000000, 0x7FFFFFFF, -1};
    const std::string longest(32767, 's');

    for (int i = 0; i < 40; ++i) {
        GtmBuilder builder;
        builder.Datum(datums[i % 6]);
        if (i % 5 == 1) builder.ExtraEntry("map.bmp", "").ExtraEntry(std::string(300, 'x'), "e");
        if (i % 11 == 2) builder.HeaderStrings({longest, "", longest, "Arial"});
        if (i % 8 == 4) builder.MarkerByte(0).Version(i % 16 == 4 ? 211 : 210);
        if (i % 10 == 4) builder.StatedWaypointCount(lies[i / 10 % 3]);
        if (i % 13 == 6) builder.StatedExtraCount(lies[i / 13 % 3]);
        int waypoints = i == 36 ? 200 : i % 7;
        for (int k = 0; k < waypoints; ++k) {
            int at = i + k;
            // The first waypoint takes the edge position; one out of range stops a conversion.
            builder.Add({.latitude = positions[k == 0 ? i % 10 : 0][0] + k * 0.25,
                         .longitude = positions[k == 0 ? i % 10 : 0][1],
                         .name = names[at % 7],
                         .comment = std::string(comments[at % 4] * (k < 2), 'c'),
                         .icon = icons[at % 7],
                         .altitude = altitudes[at % 5]});
        }
        Bytes file = builder.Build();
        if (i % 9 == 3) file.insert(file.end(), 200, 0x7E);  // a trailer the reader skips
        const std::string name = "seed-" + std::to_string(i);
        // Every fourth is cut short, each at a point further into the file.
        const Bytes written(file.begin(),
                            file.begin() + (i % 4 == 3 ? 13 + file.size() * i / 41 : file.size()));
        testing::WriteBytes(gtm / (name + ".gtm"), written);
        // Compressed: whole, in one member or (every other) two, and every third of those cut
        // inside the compressed data.
        if (i % 4 == 0) {
            const std::size_t half = i % 8 == 4 ? file.size() / 2 : file.size();
            Bytes gz = testing::Gzip(std::span(file).first(half), 1 + i % 9);
            const Bytes second = testing::Gzip(std::span(file).subspan(half));
            if (half < file.size()) gz.insert(gz.end(), second.begin(), second.end());
            if (i % 12 == 8) gz.resize(gz.size() * 2 / 3);
            testing::WriteBytes(gtm / (name + ".gtz"), gz);
        }

        GtmWaypointSet set;
        WtrWaypointSet converted;
        const fs::path out = wtr / (name + ".wtr"), cut = wtr / (name + "-cut.wtr");
        if (set.LoadFromBytes(file) && converted.BuildFrom(set.count, set.records.get()) &&
            converted.Save(out) && i % 2 == 0) {
            fs::copy_file(out, cut);
            fs::resize_file(cut, fs::file_size(out) - 16 * (i % 4 + 1));
        }
    }
    return 0;
}
