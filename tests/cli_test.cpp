// gtm2wtr as a user meets it: what it writes, what it prints, and how it exits.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "platform/path_text.h"
#include "res/string_table.h"
#include "tests/support/gtm2wtr_run.h"
#include "tests/support/gtm_builder.h"
#include "tests/support/gzip.h"
#include "tests/support/temp_dir.h"
#include "waypoints/gpx_writer.h"
#include "waypoints/wtr_waypoint_set.h"

namespace quendra {
namespace {

namespace fs = std::filesystem;
using testing::Field;
using testing::Gtm2wtr;
using testing::GtmBuilder;
using Bytes = std::vector<std::uint8_t>;

// The second waypoint where it is asked to be.
Bytes Sample(std::uint16_t datum = 217, double latitude = 23.97, double longitude = -0.7) {
    return GtmBuilder()
        .Datum(datum)
        .Add({.name = "\xA4\xA4\xA4\xE5", .altitude = 12.6f})
        .Add({.latitude = latitude, .longitude = longitude, .name = "HOME", .altitude = -12.2f})
        .Build();
}

class Gtm2wtrTest : public ::testing::Test {
protected:
    // gtm2wtr takes paths as UTF-8 on every platform; folders are made as needed.
    fs::path At(const std::string& name) { return dir / PathFromText(name); }
    std::string Path(const std::string& name) { return TextFromPath(At(name)); }
    std::string Write(const std::string& name, const Bytes& bytes) {
        fs::create_directories(At(name).parent_path());
        testing::WriteBytes(At(name), bytes);
        return Path(name);
    }

    testing::TempDir dir;
};

// The latitude written for 25.0: shifted exactly once, or in the accurate mode, which asks
// nothing, where PROJ puts it (24.998224480237 from +towgs84=-637,-549,-203) in the file's
// semicircle units, within 5 cm; nothing when the datum is refused. Alike in a batch.
TEST_F(Gtm2wtrTest, HuTzuShanFollowsTheModeTheOptionOrTheAnswer) {
    const std::string in = Write("h.gtm", Sample(81)), out = Path("h.wtr");
    constexpr std::int32_t kShifted = 298240363, kProj = 298240417;
    // A null answer: no one at the terminal.
    const std::tuple<std::vector<std::string>, const char*, std::int32_t> cases[] = {
        {{"--hu-tzu-shan=shift"}, nullptr, kShifted},
        {{"--hu-tzu-shan=refuse"}, nullptr, 0},
        {{}, "y\n", kShifted},
        {{}, "n\n", 0},
        {{}, "", 0},
        {{"--hu-tzu-shan=shift"}, "n\n", kShifted},
        {{"--datum-transform=accurate"}, "n\n", kProj},
        {{"-d", Path(""), "--datum-transform=accurate"}, nullptr, kProj}};
    for (auto [args, answer, latitude] : cases) {
        SCOPED_TRACE(::testing::PrintToString(args));
        fs::remove(dir / "h.wtr");
        const bool asked = answer && args.empty();
        args.push_back(in);
        if (args[0] != "-d") args.push_back(out);
        const auto run = Gtm2wtr(args, answer != nullptr, answer ? answer : "");
        EXPECT_EQ(run.exit, latitude ? 0 : 1) << run.err;
        EXPECT_EQ(run.err.find("(y/n)") != std::string::npos, asked);
        EXPECT_EQ(
            run.err.find(" (converted from Hu-Tzu-Shan (Taiwan) to WGS84)\n") != std::string::npos,
            latitude == kProj);
        EXPECT_NEAR(Field<std::int32_t>(testing::ReadBytes(dir / "h.wtr"), 16 + 20), latitude,
                    latitude == kProj ? 5 : 0);
    }
}

// A usage error names what is wrong (exit 2) and points to --help; an argument after `--` is
// a file whatever it looks like. Help, the version and the datum list go to stdout.
TEST_F(Gtm2wtrTest, UsageErrorsNameTheirCauseAndHelpVersionAndTheDatumListExitZero) {
    const std::string in = Write("a.gtm", Sample()), out = Path("a.wtr");
    const std::string hutzushan =
        "\n81\tHu-Tzu-Shan (Taiwan)\tInternational 1924 (a=6378388, 1/f=297)\t"
        "dx=-637 dy=-549 dz=-203\tNIMA TR8350.2 (1997): HTN\n";
    const std::tuple<std::vector<std::string>, int, std::string> cases[] = {
        {{}, 2, "INPUT and OUTPUT"},
        {{in, out, Path("b.wtr")}, 2, "INPUT and OUTPUT"},
        {{"--bogus", in, out}, 2, "--bogus"},
        {{"-x.gtm", out}, 2, "-x.gtm"},
        {{"--", "-x.gtm", out}, 1, "-x.gtm: cannot open"},
        {{"--codepage", "NO-SUCH-CODEPAGE", "--list", in}, 2, "NO-SUCH-CODEPAGE"},
        {{"--list", in, in}, 2, "--list"},
        {{"--list", "--hu-tzu-shan=shift", in}, 2, "--hu-tzu-shan"},
        {{"--list", "--datum-transform=simple", in}, 2, "--datum-transform"},
        {{"--positions", in, out}, 2, "--positions"},
        {{"-d", Path("")}, 2, "-d"},
        {{"--output-dir", in, in}, 1, in + ": not a folder"},
        {{"--hu-tzu-shan=1", in, out}, 2, "--hu-tzu-shan"},  // by its name only, not its number
        {{"--datum-transform=exact", in, out}, 2, "--datum-transform"},
        {{in, out, "--datum-transform"}, 2, "--datum-transform"},  // no value
        {{in, "--output-dir"}, 2, "--output-dir"},
        {{"--datum-transform=accurate", "--hu-tzu-shan=shift", in, out}, 2, "--hu-tzu-shan"},
        {{"--list-datums", in}, 2, "--list-datums"},
        {{"--help"}, 0, "\n  gtm2wtr --list [--positions] [--codepage NAME] FILE\n"},
        {{"--version"}, 0, "gtm2wtr (Quendra) "},
        {{"--list-datums"}, 0, hutzushan},
    };
    for (const auto& [args, exit, named] : cases) {
        SCOPED_TRACE(::testing::PrintToString(args));
        const auto run = Gtm2wtr(args);
        EXPECT_EQ(run.exit, exit);
        EXPECT_NE((exit == 0 ? run.out : run.err).find(named), std::string::npos) << run.err;
        EXPECT_EQ(run.err.find("--help") != std::string::npos, exit == 2) << run.err;
    }
    EXPECT_FALSE(fs::exists(dir / "a.wtr"));
}

TEST_F(Gtm2wtrTest, BatchGoesOnPastFailuresAndReportsEachInOrder) {
    Write("輸出 資料/tokyo.wtr", {'o', 'l', 'd'});
    // Every datum with a shift converts in the accurate mode.
    const std::vector<std::string> args = {
        "--datum-transform=accurate",
        "-d",
        Path("輸出 資料"),
        Write("alpha.gtm", Sample()),
        Path("missing.gtm"),
        Write("tokyo.gtm", Sample(263)),
        Write("potsdam.gtm", Sample(222)),
        Write("trip.2024.gtm", Sample()),
        Write("other/alpha.gtm", Sample()),
        Write("no-extension", Sample()),
        // Not blocked by the missing input of the same name.
        Write("other/missing.gtm", Sample()),
        // Hangul fits no Big5 or Western code page: only Unicode paths carry it.
        Write("航點/서울.gtm", Sample()),
    };
    const auto run = Gtm2wtr(args);
    EXPECT_EQ(run.exit, 1);
    EXPECT_EQ(run.out, "");

    EXPECT_EQ(dir.Names(At("輸出 資料")),
              (std::vector<std::string>{"alpha.wtr", "missing.wtr", "no-extension.wtr", "tokyo.wtr",
                                        "trip.2024.wtr", "서울.wtr"}));
    EXPECT_EQ(testing::ReadBytes(At("輸出 資料/tokyo.wtr")), (Bytes{'o', 'l', 'd'}));

    // Named as the program joins them: with the system's separator.
    const auto wrote = [&](const std::string& name) {
        return "wrote 2 waypoints to " + TextFromPath(At("輸出 資料") / PathFromText(name));
    };
    const std::string reports[] = {
        wrote("alpha.wtr"),
        args[4] + ": cannot open",
        args[5] + ": datum code 263 refused: not a datum gtm2wtr knows",
        args[6] + ": datum 222 (Potsdam (Germany)): no published shift to WGS84",
        wrote("trip.2024.wtr"),
        args[8] + ": skipped: an earlier input was already written as",
        wrote("no-extension.wtr"),
        wrote("missing.wtr"),
        wrote("서울.wtr"),
    };
    std::size_t at = 0;
    for (const std::string& report : reports) {
        at = run.err.find(report, at);
        ASSERT_NE(at, std::string::npos) << "missing or out of order: " << report << "\n"
                                         << run.err;
    }
    // Names read as Big5, or as the code page given; alike from the GTM and the WTR file.
    for (const std::string& file : {args[11], Path("輸出 資料/서울.wtr")}) {
        EXPECT_EQ(Gtm2wtr({"--list", "--codepage", "CP950", file}).out,
                  "中文        13\nHOME       -12\n")
            << file;
    }
    EXPECT_EQ(Gtm2wtr({"--list", "--codepage", "CP1252", args[11]}).out.substr(0, 8), "¤¤¤å");
}

Bytes Text(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes joined;
    for (const Bytes& part : parts) joined.insert(joined.end(), part.begin(), part.end());
    return joined;
}

// GPX files convert alone or in a batch, compressed or not, into the code page asked for;
// the user learns which names did not fit, which became alike and what was left out.
TEST_F(Gtm2wtrTest, ConvertsGpxFilesAndTellsWhatTheirNamesBecame) {
    const Bytes gpx = Text(
        "<gpx><wpt lat=\"25\" lon=\"121\"><name>玉山主峰北峰</name></wpt><wpt lat=\"25\" "
        "lon=\"121\"><name>玉山主峰北</name></wpt><rte><rtept lat=\"1\" lon=\"2\"/></rte></gpx>");
    const auto run =
        Gtm2wtr({"-d", Path(""), Write("hike.gpx", gpx), Write("walk.GPX.gz", testing::Gzip(gpx))});
    ASSERT_EQ(run.exit, 0) << run.err;
    EXPECT_EQ(testing::ReadBytes(dir / "walk.wtr"), testing::ReadBytes(dir / "hike.wtr"));
    for (const std::string said :
         {"hike.gpx: warning: 1 name cut to 10 bytes or with characters the code page lacks "
          "(as ?): \"玉山主峰北峰\" as \"玉山主峰北\";\n",
          "hike.gpx: warning: different names written alike (a device may merge or overwrite "
          "them): \"玉山主峰北\"\n",
          "hike.wtr (left out: 1 route point, 0 track points)\n"}) {
        EXPECT_NE(run.err.find(said), std::string::npos) << said << run.err;
    }
    EXPECT_EQ(Gtm2wtr({"--list", Path("hike.wtr")}).out, "玉山主峰北    \n玉山主峰北    \n");
    ASSERT_EQ(Gtm2wtr({"--codepage", "UTF-8", Path("hike.gpx"), Path("utf8.wtr")}).exit, 0);
    EXPECT_EQ(Gtm2wtr({"--codepage", "UTF-8", "--list", Path("utf8.wtr")}).out,
              "玉山主     \n玉山主     \n");  // 9 bytes and a space
}

// GPX written from a GTM file converts back to the WTR file the GTM file gives, byte for
// byte, in WGS84 and in Hu-Tzu-Shan converted accurately, and so does GPX written from that
// WTR file; names with markup survive. A refused write leaves the old file as it was.
TEST_F(Gtm2wtrTest, GpxWrittenConvertsBackToTheSameWtrFile) {
    const std::vector<std::string> simple, accurate = {"--datum-transform=accurate"};
    const std::tuple<std::string, Bytes, std::vector<std::string>> files[] = {
        {"wgs84", Sample(217, -33.8688, 151.2093), simple},
        {"hu-tzu-shan", Sample(81, 22.5, 179.999), accurate},
        {"markup", GtmBuilder().Add({.name = "A&B<\"'>", .altitude = kUnknownAltitude}).Build(),
         simple},
    };
    for (const auto& [name, gtm, mode] : files) {
        SCOPED_TRACE(name);
        const std::string in = Write(name + ".gtm", gtm);
        const auto run = [&](std::vector<std::string> args, const std::string& from,
                             const std::string& to) {
            args.insert(args.end(), {Path(from), Path(to)});
            ASSERT_EQ(Gtm2wtr(args).exit, 0) << from << " to " << to;
        };
        run(mode, name + ".gtm", name + ".wtr");
        run(mode, name + ".gtm", name + ".gpx");
        run(simple, name + ".gpx", "back.wtr");
        run(simple, name + ".wtr", "again.gpx");
        run(simple, "again.gpx", "again.wtr");
        const Bytes wtr = testing::ReadBytes(dir / (name + ".wtr"));
        EXPECT_EQ(testing::ReadBytes(dir / "back.wtr"), wtr);
        EXPECT_EQ(testing::ReadBytes(dir / "again.wtr"), wtr);
    }
    // Listed with positions: as loaded from GTM and GPX, as the units give them from WTR.
    const auto listed = [&](const char* file) {
        return Gtm2wtr({"--list", "--positions", Path(file)}).out;
    };
    EXPECT_EQ(listed("wgs84.gtm"),
              "中文        13\t25\t121.5\nHOME       -12\t-33.8688\t151.2093\n");
    EXPECT_EQ(listed("wgs84.gpx"), listed("wgs84.gtm"));
    EXPECT_EQ(listed("wgs84.wtr"),
              "中文        13\t25\t121.5\nHOME       -12\t-33.8687999896735\t151.20929999034405\n");
    const Bytes markup = testing::ReadBytes(dir / "markup.gpx"),
                fromWtr = testing::ReadBytes(dir / "again.gpx");
    const std::string text(markup.begin(), markup.end());
    EXPECT_NE(text.find("<name>A&amp;B&lt;&quot;&apos;&gt;</name>"), std::string::npos);
    EXPECT_EQ(text.find("<ele>"), std::string::npos);  // the unknown altitude
    // again.gpx came last from the markup file's WTR: its name without the padding.
    EXPECT_NE(std::string(fromWtr.begin(), fromWtr.end()).find("&gt;</name>"), std::string::npos);
    // What XML 1.0 cannot hold at all.
    std::string escaped;
    AppendEscaped(escaped, "a\x01\tb");
    EXPECT_EQ(escaped, "a\xEF\xBF\xBD\tb");
    const auto refused = Gtm2wtr({Path("markup.gpx"), Path("markup.gpx")});
    EXPECT_NE(refused.err.find("same file as the input"), std::string::npos) << refused.err;
    EXPECT_EQ(testing::ReadBytes(dir / "markup.gpx"), markup);
}

// Compressed GTM files are known by their first bytes whatever their name, and converted
// to the same bytes as the plain file and listed alike.
TEST_F(Gtm2wtrTest, ConvertsAndListsCompressedFilesLikeThePlainFile) {
    // Enough waypoints, with comments, that deflate makes several blocks of them.
    GtmBuilder builder;
    for (int i = 0; i < 2000; ++i)
        builder.Add({.name = "W" + std::to_string(i * 7919),
                     .comment = std::string(static_cast<std::size_t>(i % 37), 'c'),
                     .altitude = static_cast<float>(i)});
    const Bytes plain = builder.Build(), gz = testing::Gzip(plain);
    // Each converts to its name up to the first dot, and .wtr.
    const std::pair<std::string, Bytes> cases[] = {
        {"plain.gtm", plain},
        {"LOUD.GTM.GZ", gz},
        {"compressed-but-named.gtm", gz},
        // Members joined as `cat a.gz b.gz` makes them, an empty one among them; the
        // signature spans the first two.
        {"members.gtz",
         Join({testing::Gzip(Bytes(plain.begin(), plain.begin() + 7)), testing::Gzip({}),
               testing::Gzip(Bytes(plain.begin() + 7, plain.end() - 500)),
               testing::Gzip(Bytes(plain.end() - 500, plain.end()))})},
        // Compressed far more than waypoints are, so its stated size is not believed at first.
        {"mostly-zeros.gtz", testing::Gzip(Join({plain, Bytes(8 << 20, 0)}))},
        // What follows the last member without starting another is ignored, as gzip -d does.
        {"padded.gtz", Join({gz, Bytes(300, 0)})},
    };
    std::vector<std::string> args = {"-d", Path("")};
    for (const auto& [input, bytes] : cases) args.push_back(Write(input, bytes));
    const auto run = Gtm2wtr(args);
    ASSERT_EQ(run.exit, 0) << run.err;

    const Bytes expected = testing::ReadBytes(dir / "plain.wtr");
    ASSERT_EQ(expected.size(), 16u + 64 * 2000 + 32);
    for (const auto& [input, bytes] : cases) {
        EXPECT_EQ(testing::ReadBytes(dir / (input.substr(0, input.find('.')) + ".wtr")), expected)
            << input;
    }
    EXPECT_EQ(Gtm2wtr({"--list", Path("members.gtz")}).out,
              Gtm2wtr({"--list", Path("plain.gtm")}).out);
}

// Each refusal names the file and its reason, and the datum's message in its own words;
// listing refuses alike what cannot be read. Nothing is written over the old output.
TEST_F(Gtm2wtrTest, RefusalsSayWhyAndWriteNothing) {
    const Bytes gz = testing::Gzip(Sample());
    const std::string notGtm = "neither a GTM, a GPX nor a WTR file",
                      cut = "the compressed file is truncated";
    struct Case {
        const char* what;
        std::optional<Bytes> bytes;  // none: no such file
        std::string reason;
        std::string_view message = {};
        const char* listed = nullptr;  // what listing says instead; "" when it lists the file
    };
    const Case cases[] = {
        {"missing", {}, "cannot open"},  // first: no file there yet
        {"empty", Bytes{}, "the file is empty"},
        {"foreign", Bytes(200, 'x'), notGtm},
        {"truncated", GtmBuilder().Add({}).StatedWaypointCount(2).Build(), "the file is truncated"},
        {"no waypoints", GtmBuilder().Build(), "the file holds no waypoints", {}, ""},
        {"datum 207", Sample(207), "datum code 207 refused: only WGS84 (217) and Hu-Tzu-Shan (81)",
         kDatumUnsupportedText, ""},
        {"Hu-Tzu-Shan", Sample(81), "Hu-Tzu-Shan datum refused", kDatumHuTzuShanText, ""},
        // Named with its position (every mode's refusals: WtrBuild's test).
        {"longitude 500", Sample(217, 1, 500),
         "waypoint 2 (HOME) has a position outside the WTR range", "", ""},
        // Refused on its first bytes: the damage at its end is never reached.
        {"a compressed text file, damaged at the end",
         Join({testing::Gzip(Bytes(5000, 'x')), Bytes(gz.begin(), gz.begin() + 30)}), notGtm},
        {"cut inside the data", Bytes(gz.begin(), gz.begin() + gz.size() / 2), cut},
        {"a second member cut short", Join({gz, Bytes(gz.begin(), gz.begin() + 30)}), cut},
        {"a WTR file cut inside a record",
         Join({Bytes{0xFF, 'W', 'p', 't', 0xFF}, Bytes(11 + 30, 'w')}),
         "the WTR file is truncated or has no track section"},
        {"a broken GPX file", Text("<gpx>\n<wpt lat=\"1\" lon=\"2\">\n</gpx>"),
         "the GPX file is not well-formed XML (line 3)"},
        {"a GPX position out of range",
         Text("<gpx>\n<wpt lat=\"95\" lon=\"2\"><name>Z</name></wpt></gpx>"),
         "waypoint 1 (Z) has a position outside the WTR range: latitude 95, longitude 2 (line 2)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string in = c.bytes ? Write("in.gtz", *c.bytes) : Path("in.gtz");
        testing::WriteBytes(dir / "keep.wtr", {'o', 'l', 'd'});
        testing::WriteBytes(dir / "keep.gpx", {'o', 'l', 'd'});
        const auto convert = Gtm2wtr({in, Path("keep.wtr")});
        EXPECT_NE(convert.err.find(c.message), std::string::npos) << convert.err;
        const std::string listed = c.listed ? c.listed : c.reason;
        for (const auto& [run, reason] : {std::pair{convert, c.reason},
                                          {Gtm2wtr({in, Path("keep.gpx")}), c.reason},
                                          {Gtm2wtr({"--list", in}), listed}}) {
            if (reason.empty()) continue;
            EXPECT_EQ(run.exit, 1);
            EXPECT_EQ(run.out, "");
            EXPECT_NE(run.err.find("gtm2wtr: " + in + ": " + reason), std::string::npos) << run.err;
        }
        EXPECT_EQ(testing::ReadBytes(dir / "keep.wtr"), (Bytes{'o', 'l', 'd'}));
        EXPECT_EQ(testing::ReadBytes(dir / "keep.gpx"), (Bytes{'o', 'l', 'd'}));
        EXPECT_EQ(dir.Names().size(), c.bytes ? 3u : 2u) << "a temporary file was left";
    }
}

#ifndef _WIN32
// GTM files written by GPSBabel, an independent writer of the format, convert waypoint for
// waypoint as the GPX they started as says, and so do that GPX itself and the GPX GPSBabel
// writes of the GTM file: names short, exact and too long (cut to 10,
// filled with spaces); comments, which move the fields after them; every quadrant and both
// ends of the longitude range; a route and a track that must not reach the WTR file.
// QUENDRA_SKIP_GPSBABEL=1 skips where GPSBabel is not installed.
TEST_F(Gtm2wtrTest, ConvertsWhatGpsbabelWrites) {
    if (std::system("command -v gpsbabel >/dev/null") != 0) {
        const char* skip = std::getenv("QUENDRA_SKIP_GPSBABEL");
        if (skip != nullptr && std::string(skip) == "1") GTEST_SKIP() << "no gpsbabel";
        FAIL() << "gpsbabel not on PATH (scripts/test.sh installs it)";
    }
    struct Waypoint {
        std::string name, stored, latitude, longitude, elevation, symbol;
        std::uint16_t wtrSymbol;  // from GPSBabel's icon for `symbol`
    };
    const Waypoint waypoints[] = {
        {"HOME", "HOME      ", "25.0", "121.5", "12.6", "Park", 159},
        {"SCENICVIEWPOINT", "SCENICVIEW", "-33.8688", "151.2093", "-12.25", "Scenic Area", 161},
        {"CHAPEL", "CHAPEL    ", "40.7128", "-74.006", "1234.4", "Church", 8236},
        {"JADE PEAK", "JADE PEAK ", "23.47", "120.957", "3952.43", "Summit", 8246},
        {"TENLETTERS", "TENLETTERS", "-22.9", "-43.2", "0.5", "Waypoint", 18},
        {"DATELINE", "DATELINE  ", "-0.7", "180", "2.5", "Airport", 18},
        {"ANTIMERID", "ANTIMERID ", "89.9999", "-180", "-0.4", "Car", 18},
        // Stored with XML entities resolved.
        {"R&amp;R", "R&R       ", "23.97", "-0.7", "-428.5", "Restaurant", 18},
    };
    std::ofstream gpx(At("in.gpx"));
    gpx << "<gpx version=\"1.1\" creator=\"test\" xmlns=\"http://www.topografix.com/GPX/1/1\">\n";
    for (const Waypoint& w : waypoints) {
        gpx << "<wpt lat=\"" << w.latitude << "\" lon=\"" << w.longitude << "\"><ele>"
            << w.elevation << "</ele><name>" << w.name << "</name><desc>comment of " << w.name
            << "</desc><sym>" << w.symbol << "</sym></wpt>\n";
    }
    gpx << "<rte><rtept lat=\"24.1\" lon=\"121.2\"/><rtept lat=\"24.2\" lon=\"121.3\"/></rte>"
           "<trk><trkseg><trkpt lat=\"24\" lon=\"121\"/><trkpt lat=\"24.1\" lon=\"121\"/>"
           "</trkseg></trk></gpx>\n";
    gpx.close();
    const std::string babel =
        "gpsbabel -i gpx -f '" + Path("in.gpx") + "' -o gtm -F '" + Path("in.gtm") + "'";
    const std::string back =
        "gpsbabel -i gtm -f '" + Path("in.gtm") + "' -o gpx -F '" + Path("babel.gpx") + "'";
    ASSERT_EQ(std::system(babel.c_str()), 0);
    ASSERT_EQ(std::system(back.c_str()), 0);
    // GPSBabel reads the GPX we write, from the GTM file and from its WTR file, as they were.
    ASSERT_EQ(Gtm2wtr({Path("in.gtm"), Path("first.wtr")}).exit, 0);
    for (const char* from : {"in.gtm", "first.wtr"}) {
        const std::string ours = Path(std::string(from) + ".gpx");
        ASSERT_EQ(Gtm2wtr({Path(from), ours}).exit, 0);
        const std::string reread = "gpsbabel -i gpx -f '" + ours + "' -o gpx -F '" + ours + ".gpx'";
        ASSERT_EQ(std::system(reread.c_str()), 0);
    }
    for (const char* input :
         {"in.gtm", "in.gpx", "babel.gpx", "in.gtm.gpx.gpx", "first.wtr.gpx.gpx"}) {
        ASSERT_EQ(Gtm2wtr({Path(input), Path("out.wtr")}).exit, 0);
        const Bytes wtr = testing::ReadBytes(dir / "out.wtr");
        ASSERT_EQ(wtr.size(), 16 + 64 * std::size(waypoints) + 32);
        for (const Waypoint& w : waypoints) {
            SCOPED_TRACE(std::string(input) + ": " + w.name);
            const auto at = static_cast<std::size_t>(16 + 64 * (&w - waypoints));
            EXPECT_EQ(std::string(wtr.begin() + at, wtr.begin() + at + 10), w.stored);
            for (auto [offset, degrees] : {std::pair{20, w.latitude}, {24, w.longitude}}) {
                const auto expected = std::trunc(std::stod(degrees) * 11930464.0);
                EXPECT_LE(std::abs(Field<std::int32_t>(wtr, at + offset) - expected), 1) << offset;
            }
            EXPECT_EQ(Field<float>(wtr, at + 28), std::stof(w.elevation));
            EXPECT_EQ(Field<std::uint16_t>(wtr, at + 40), w.wtrSymbol);
        }
    }
}
#endif

}  // namespace
}  // namespace quendra
