// gtm2wtr as a user meets it: what it writes, what it prints, and how it exits.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "platform/path_text.h"
#include "res/string_table.h"
#include "tests/support/gtm2wtr_run.h"
#include "tests/support/gtm_builder.h"
#include "tests/support/gzip.h"
#include "tests/support/temp_dir.h"

namespace quendra {
namespace {

namespace fs = std::filesystem;
using testing::CliRun;
using testing::Field;
using testing::Gtm2wtr;
using testing::GtmBuilder;
using Bytes = std::vector<std::uint8_t>;

// The second waypoint where it is asked to be.
Bytes Sample(std::uint16_t datum = 217, double latitude = 23.97, double longitude = -0.7) {
    return GtmBuilder()
        .Datum(datum)
        .Add({.latitude = 25.0, .longitude = 121.5, .name = "\xA4\xA4\xA4\xE5", .altitude = 12.6f})
        .Add({.latitude = latitude,
              .longitude = longitude,
              .name = "HOME",
              .icon = 27,
              .altitude = -12.2f})
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
    const std::string accurate = "--datum-transform=accurate", simple = "--datum-transform=simple";
    // A null answer: no one at the terminal.
    const std::tuple<std::vector<std::string>, const char*, std::int32_t> cases[] = {
        {{"--hu-tzu-shan=shift"}, nullptr, kShifted},
        {{"--hu-tzu-shan=refuse"}, nullptr, 0},
        {{}, "y\n", kShifted},
        {{}, "n\n", 0},
        {{}, "", 0},
        {{"--hu-tzu-shan=shift"}, "n\n", kShifted},
        {{simple, "--hu-tzu-shan=shift"}, nullptr, kShifted},
        {{accurate}, nullptr, kProj},
        {{accurate}, "n\n", kProj},
        {{"-d", Path(""), accurate}, nullptr, kProj},
        {{"-d", Path(""), "--hu-tzu-shan=shift"}, nullptr, kShifted}};
    for (auto [args, answer, latitude] : cases) {
        SCOPED_TRACE(::testing::PrintToString(args));
        fs::remove(dir / "h.wtr");
        const bool asked = answer && args.empty();
        if (args.size() < 2 || args[0] != "-d") args.push_back(out);
        args.insert(args.end() - (args[0] == "-d" ? 0 : 1), in);
        CliRun run = Gtm2wtr(args, answer != nullptr, answer ? answer : "");
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
// a file whatever it looks like.
TEST_F(Gtm2wtrTest, UsageErrorsNameTheirCauseAndHelpVersionAndTheDatumListExitZero) {
    const std::string in = Write("a.gtm", Sample()), out = Path("a.wtr");
    const std::tuple<std::vector<std::string>, int, std::string> cases[] = {
        {{}, 2, "OUTPUT.wtr"},
        {{in, out, Path("b.wtr")}, 2, "OUTPUT.wtr"},
        {{"--bogus", in, out}, 2, "--bogus"},
        {{"-x.gtm", out}, 2, "-x.gtm"},
        {{"--", "-x.gtm", out}, 1, "-x.gtm: cannot open"},
        {{"--codepage", "NO-SUCH-CODEPAGE", "--list", in}, 2, "NO-SUCH-CODEPAGE"},
        {{"--list", in, in}, 2, "--list"},
        {{"--list", "--hu-tzu-shan=shift", in}, 2, "--hu-tzu-shan"},
        {{"--list", "--datum-transform=simple", in}, 2, "--datum-transform"},
        {{"-d", Path("")}, 2, "-d"},
        {{in, "--output-dir"}, 2, "--output-dir"},
        {{"--output-dir", in, in}, 1, in + ": not a folder"},
        {{"--hu-tzu-shan=1", in, out}, 2, "--hu-tzu-shan"},  // by its name only, not its number
        {{"--datum-transform=accurate", "--hu-tzu-shan=shift", in, out}, 2, "--hu-tzu-shan"},
        {{"--datum-transform=exact", in, out}, 2, "--datum-transform"},
        {{in, out, "--datum-transform"}, 2, "--datum-transform"},
        {{"--list-datums", in}, 2, "--list-datums"},
    };
    for (const auto& [args, exit, named] : cases) {
        SCOPED_TRACE(::testing::PrintToString(args));
        CliRun run = Gtm2wtr(args);
        EXPECT_EQ(run.exit, exit);
        EXPECT_NE(run.err.find(named), std::string::npos) << run.err;
        EXPECT_EQ(run.err.find("--help") != std::string::npos, exit == 2) << run.err;
    }
    EXPECT_FALSE(fs::exists(dir / "a.wtr"));

    CliRun help = Gtm2wtr({"--help"});
    EXPECT_EQ(help.exit, 0);
    for (const char* part :
         {"gtm2wtr --list ", "--output-dir OUTDIR", "shift|refuse", "gzip", "Exit status"}) {
        EXPECT_NE(help.out.find(part), std::string::npos) << part;
    }
    EXPECT_EQ(Gtm2wtr({"--version"}).out.rfind("gtm2wtr (Quendra) ", 0), 0u);
    CliRun datums = Gtm2wtr({"--list-datums"});
    EXPECT_EQ(datums.exit, 0);
    EXPECT_NE(
        datums.out.find("\n81\tHu-Tzu-Shan (Taiwan)\tInternational 1924 (a=6378388, 1/f=297)\t"
                        "dx=-637 dy=-549 dz=-203\tNIMA TR8350.2 (1997): HTN\n"),
        std::string::npos);
}

TEST_F(Gtm2wtrTest, BatchGoesOnPastFailuresAndReportsEachInOrder) {
    Write("輸出 資料/tokyo.wtr", {'o', 'l', 'd'});
    const std::vector<std::string> inputs = {
        Write("alpha.gtm", Sample()),
        Path("missing.gtm"),
        Write("tokyo.gtm", Sample(100)),
        Write("trip.2024.gtm", Sample()),
        Write("other/alpha.gtm", Sample()),
        Write("no-extension", Sample()),
        // Not blocked by the missing input of the same name.
        Write("other/missing.gtm", Sample()),
        // Hangul fits no Big5 or Western code page: only Unicode paths carry it.
        Write("航點/서울.gtm", Sample()),
    };
    std::vector<std::string> args = {"-d", Path("輸出 資料")};
    args.insert(args.end(), inputs.begin(), inputs.end());
    CliRun run = Gtm2wtr(args);
    EXPECT_EQ(run.exit, 1);
    EXPECT_EQ(run.out, "");

    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(At("輸出 資料"))) {
        names.push_back(TextFromPath(entry.path().filename()));
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"alpha.wtr", "missing.wtr", "no-extension.wtr",
                                               "tokyo.wtr", "trip.2024.wtr", "서울.wtr"}));
    EXPECT_EQ(testing::ReadBytes(At("輸出 資料/tokyo.wtr")), (Bytes{'o', 'l', 'd'}));

    // Named as the program joins them: with the system's separator.
    const auto wrote = [&](const std::string& name) {
        return "wrote 2 waypoints to " + TextFromPath(At("輸出 資料") / PathFromText(name));
    };
    const std::string reports[] = {
        wrote("alpha.wtr"),
        inputs[1] + ": cannot open",
        inputs[2] + ": datum code 100 refused",
        wrote("trip.2024.wtr"),
        inputs[4] + ": skipped: an earlier input was already written as",
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
    for (const std::string& file : {inputs[7], Path("輸出 資料/서울.wtr")}) {
        CliRun list = Gtm2wtr({"--list", "--codepage", "CP950", file});
        EXPECT_EQ(list.exit, 0) << list.err;
        EXPECT_EQ(list.out, "中文        13\nHOME       -12\n") << file;
    }
    EXPECT_EQ(Gtm2wtr({"--list", "--codepage", "CP1252", inputs[7]}).out.substr(0, 8), "¤¤¤å");
}

// Enough waypoints, with comments, that deflate makes several blocks of them.
Bytes ManyWaypoints() {
    testing::GtmBuilder builder;
    for (int i = 0; i < 2000; ++i) {
        builder.Add({.name = "W" + std::to_string(i * 7919),
                     .comment = std::string(static_cast<std::size_t>(i % 37), 'c'),
                     .altitude = static_cast<float>(i)});
    }
    return builder.Build();
}

Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes joined;
    for (const Bytes& part : parts) joined.insert(joined.end(), part.begin(), part.end());
    return joined;
}

// Compressed GTM files are known by their first bytes whatever their name, and converted
// to the same bytes as the plain file and listed alike.
TEST_F(Gtm2wtrTest, ConvertsAndListsCompressedFilesLikeThePlainFile) {
    const Bytes plain = ManyWaypoints(), gz = testing::Gzip(plain);
    const std::size_t half = plain.size() / 2;
    // Each converts to its name up to the first dot, and .wtr.
    std::vector<std::pair<std::string, Bytes>> cases = {
        {"plain.gtm", plain},
        {"trip.gtm.gz", gz},
        {"LOUD.GTM.GZ", gz},
        {"compressed-but-named.gtm", gz},
        // Members joined as `cat a.gz b.gz` makes them, an empty one among them; the
        // signature spans the first two.
        {"members.gtz",
         Join({testing::Gzip(Bytes(plain.begin(), plain.begin() + 7)), testing::Gzip({}),
               testing::Gzip(Bytes(plain.begin() + 7, plain.begin() + half)),
               testing::Gzip(Bytes(plain.begin() + half, plain.end()))})},
        // Compressed far more than waypoints are, so its stated size is not believed at first.
        {"mostly-zeros.gtz", testing::Gzip(Join({plain, Bytes(8 << 20, 0)}))},
        // What follows the last member without starting another is ignored, as gzip -d does.
        {"padded.gtz", Join({gz, Bytes(300, 0)})},
    };
#ifndef _WIN32
    // gzip itself, which also stores the original name in the header.
    ASSERT_EQ(std::system(
                  ("gzip -c " + Write("by-gzip.gtm", plain) + " >" + Path("by-gzip.gtz")).c_str()),
              0);
    cases.push_back({"by-gzip.gtz", testing::ReadBytes(dir / "by-gzip.gtz")});
#endif
    fs::create_directory(dir / "out");
    std::vector<std::string> args = {"-d", Path("out")};
    for (const auto& [input, bytes] : cases) args.push_back(Write(input, bytes));
    CliRun run = Gtm2wtr(args);
    ASSERT_EQ(run.exit, 0) << run.err;

    const Bytes expected = testing::ReadBytes(dir / "out" / "plain.wtr");
    ASSERT_EQ(expected.size(), 16u + 64 * 2000 + 32);
    const std::string listed = Gtm2wtr({"--list", Path("plain.gtm")}).out;
    for (const auto& [input, bytes] : cases) {
        SCOPED_TRACE(input);
        EXPECT_EQ(testing::ReadBytes(dir / "out" / (input.substr(0, input.find('.')) + ".wtr")),
                  expected);
        CliRun list = Gtm2wtr({"--list", Path(input)});
        EXPECT_EQ(list.exit, 0) << list.err;
        EXPECT_EQ(list.out, listed);
    }
}

// Each refusal names the file and its reason, and the datum's message in its own words;
// listing refuses alike what cannot be read. Nothing is written over the old output.
TEST_F(Gtm2wtrTest, RefusalsSayWhyAndWriteNothing) {
    const Bytes gz = testing::Gzip(ManyWaypoints());
    Bytes cutPlain = Sample(), foreignDamaged = testing::Gzip(Bytes(5000, 'x'));
    cutPlain.pop_back();
    foreignDamaged[foreignDamaged.size() - 8] ^= 1;
    const std::string notGtm = "not a GTM file", cut = "the compressed file is truncated",
                      impossible = "waypoint 2 (HOME) has a position outside the WTR range";
    struct Case {
        const char* what;
        std::optional<Bytes> bytes;  // none: no such file
        std::string reason;
        std::string_view message = {};
        const char* listed = nullptr;  // what listing says instead; "" when it lists the file
        const char* option = nullptr;  // given to the conversion
    };
    const char *accurate = "--datum-transform=accurate", *shift = "--hu-tzu-shan=shift";
    const Case cases[] = {
        {"missing", {}, "cannot open"},
        {"empty", Bytes{}, "the file is empty"},
        {"foreign", Bytes(200, 'x'), notGtm, {}, "neither a GTM nor a WTR file"},
        {"truncated", cutPlain, "the file is truncated"},
        {"no waypoints", GtmBuilder().Build(), "the file holds no waypoints", {}, ""},
        {"datum 216", Sample(216), "datum code 216 refused", kDatumUnsupportedText, ""},
        {"datum 263, accurate", Sample(263), "datum code 263 refused: not a datum gtm2wtr knows",
         kDatumUnsupportedText, "", accurate},
        {"datum 222, accurate", Sample(222), "datum 222 (Potsdam (Germany)): no published shift",
         kDatumUnsupportedText, "", accurate},
        {"Hu-Tzu-Shan", Sample(81), "Hu-Tzu-Shan datum refused", kDatumHuTzuShanText, ""},
        // Positions that cannot be real, in every mode.
        {"longitude 600, accurate", Sample(81, 1, 600), impossible, {}, "", accurate},
        {"latitude 95, accurate", Sample(81, 95, 1), impossible, {}, "", accurate},
        {"longitude 600, shifted", Sample(81, 1, 600), impossible, {}, "", shift},
        {"latitude 95, shifted", Sample(81, 95, 1), impossible, {}, "", shift},
        {"WGS84, longitude 500", Sample(217, 1, 500), impossible, {}, ""},
        {"WGS84, latitude 95", Sample(217, 95, 1), impossible, {}, ""},
        // Refused on its first bytes: the damage at its end is never reached.
        {"a compressed text file, damaged at the end", foreignDamaged, notGtm},
        {"a compressed empty file", testing::Gzip({}), notGtm},
        {"cut inside the data", Bytes(gz.begin(), gz.begin() + gz.size() / 2), cut},
        {"a second member cut short", Join({gz, Bytes(gz.begin(), gz.begin() + 30)}), cut},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove(dir / "in.gtz");
        const std::string in = c.bytes ? Write("in.gtz", *c.bytes) : Path("in.gtz");
        testing::WriteBytes(dir / "keep.wtr", {'o', 'l', 'd'});
        const CliRun convert =
            c.option ? Gtm2wtr({c.option, in, Path("keep.wtr")}) : Gtm2wtr({in, Path("keep.wtr")});
        EXPECT_NE(convert.err.find(c.message), std::string::npos) << convert.err;
        const std::string listed = c.listed ? c.listed : c.reason;
        for (const auto& [run, reason] :
             {std::pair{convert, c.reason}, {Gtm2wtr({"--list", in}), listed}}) {
            if (reason.empty()) continue;
            EXPECT_EQ(run.exit, 1);
            EXPECT_EQ(run.out, "");
            EXPECT_NE(run.err.find("gtm2wtr: " + in + ": " + reason), std::string::npos) << run.err;
        }
        EXPECT_EQ(testing::ReadBytes(dir / "keep.wtr"), (Bytes{'o', 'l', 'd'}));
        EXPECT_EQ(dir.Names().size(), c.bytes ? 2u : 1u) << "a temporary file was left";
    }
}

#ifndef _WIN32
// GTM files written by GPSBabel, an independent writer of the format, convert waypoint for
// waypoint as the GPX they started as says: names short, exact and too long (cut to 10,
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
        std::string name, latitude, longitude, elevation, symbol;
        std::uint16_t wtrSymbol;  // from GPSBabel's icon for `symbol`
    };
    const Waypoint waypoints[] = {
        {"HOME", "25.0", "121.5", "12.6", "Park", 159},
        {"SCENICVIEWPOINT", "-33.8688", "151.2093", "-12.25", "Scenic Area", 161},
        {"CHAPEL", "40.7128", "-74.006", "1234.4", "Church", 8236},
        {"JADE PEAK", "23.47", "120.957", "3952.43", "Summit", 8246},
        {"TENLETTERS", "-22.9", "-43.2", "0.5", "Waypoint", 18},
        {"DATELINE", "-0.7", "180", "2.5", "Airport", 18},
        {"ANTIMERID", "89.9999", "-180", "-0.4", "Car", 18},
        {"R&amp;R", "23.97", "-0.7", "-428.5", "Restaurant", 18},
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
    ASSERT_EQ(std::system(babel.c_str()), 0);
    ASSERT_EQ(Gtm2wtr({Path("in.gtm"), Path("out.wtr")}).exit, 0);
    const Bytes wtr = testing::ReadBytes(dir / "out.wtr");
    ASSERT_EQ(wtr.size(), 16 + 64 * std::size(waypoints) + 32);
    for (std::size_t i = 0; i < std::size(waypoints); ++i) {
        const Waypoint& w = waypoints[i];
        SCOPED_TRACE(w.name);
        // Stored with XML entities resolved, cut to 10 bytes, filled with spaces.
        std::string name = w.name == "R&amp;R" ? "R&R" : w.name;
        name.resize(10, ' ');
        const std::size_t at = 16 + 64 * i;
        EXPECT_EQ(std::string(wtr.begin() + at, wtr.begin() + at + 10), name);
        for (auto [offset, degrees] : {std::pair{20, w.latitude}, {24, w.longitude}}) {
            const auto expected = std::trunc(std::stod(degrees) * 11930464.0);
            EXPECT_LE(std::abs(Field<std::int32_t>(wtr, at + offset) - expected), 1) << offset;
        }
        EXPECT_EQ(Field<float>(wtr, at + 28), std::stof(w.elevation));
        EXPECT_EQ(Field<std::uint16_t>(wtr, at + 40), w.wtrSymbol);
    }
}
#endif

}  // namespace
}  // namespace quendra
