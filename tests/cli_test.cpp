// gtm2wtr as a user meets it: what it writes, what it prints, and how it exits.
#include "cli/gtm2wtr.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "res/string_table.h"
#include "tests/support/gtm_builder.h"
#include "tests/support/temp_dir.h"

namespace quendra {
namespace {

using testing::GtmBuilder;
using Bytes = std::vector<std::uint8_t>;

struct CliRun {
    int exit = -1;
    std::string out;
    std::string err;
};

CliRun Gtm2wtr(std::vector<std::string> args, bool interactive = false, std::string answer = "") {
    std::ostringstream out, err;
    std::istringstream in(answer);
    CliRun run;
    run.exit = RunGtm2Wtr(args, {out, err, in, interactive});
    run.out = out.str();
    run.err = err.str();
    return run;
}

class Gtm2wtrTest : public ::testing::Test {
protected:
    std::string Write(const std::string& name, const Bytes& bytes) {
        testing::WriteBytes(dir / name, bytes);
        return (dir / name).string();
    }
    std::string Path(const std::string& name) { return (dir / name).string(); }
    Bytes Sample(std::uint16_t datum = 217) {
        return GtmBuilder()
            .Datum(datum)
            .Add({.latitude = 25.0,
                  .longitude = 121.5,
                  .name = "\xA4\xA4\xA4\xE5",
                  .altitude = 12.6f})
            .Add({.latitude = 23.97,
                  .longitude = -0.7,
                  .name = "HOME",
                  .icon = 27,
                  .altitude = -12.2f})
            .Build();
    }

    testing::TempDir dir;
};

TEST_F(Gtm2wtrTest, ConvertsAndSaysHowManyWaypoints) {
    std::string in = Write("a.gtm", Sample());
    CliRun run = Gtm2wtr({in, Path("a.wtr")});
    EXPECT_EQ(run.exit, 0) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("wrote 2 waypoints"), std::string::npos) << run.err;
    Bytes wtr = testing::ReadBytes(dir / "a.wtr");
    ASSERT_EQ(wtr.size(), 16u + 2 * 64 + 32);
    EXPECT_EQ(std::string(wtr.begin() + 80, wtr.begin() + 90), "HOME      ");
    EXPECT_EQ(wtr[80 + 40], 159);
}

TEST_F(Gtm2wtrTest, ListsGtmAndWtrFilesInUtf8) {
    std::string in = Write("a.gtm", Sample());
    ASSERT_EQ(Gtm2wtr({in, Path("a.wtr")}).exit, 0);

    CliRun gtm = Gtm2wtr({"--list", "--codepage", "CP950", in});
    EXPECT_EQ(gtm.exit, 0);
    EXPECT_EQ(gtm.out, "中文        13\nHOME       -12\n");
    EXPECT_EQ(gtm.err, "");

    CliRun wtr = Gtm2wtr({"--list", "--codepage", "CP950", Path("a.wtr")});
    EXPECT_EQ(wtr.exit, 0);
    EXPECT_EQ(wtr.out, gtm.out) << "the WTR name is the GTM name filled with spaces";

    CliRun latin = Gtm2wtr({"--list", "--codepage", "CP1252", in});
    EXPECT_EQ(latin.exit, 0);
    EXPECT_EQ(latin.out.substr(0, 8), "¤¤¤å");
}

TEST_F(Gtm2wtrTest, RefusalsNameTheFileAndTheReasonAndWriteNothing) {
    Bytes noWaypoints = GtmBuilder().Build();
    Bytes truncated = Sample();
    truncated.resize(truncated.size() - 1);
    struct Case {
        const char* label;
        Bytes input;  // empty: the input file does not exist
        const char* reason;
    };
    const Case cases[] = {
        {"missing", {}, "cannot open"},
        {"empty", Bytes{}, "empty"},
        {"foreign", Bytes{'<', 'g', 'p', 'x', '>', 0, 0, 0, 0, 0, 0, 0, 0, 0}, "not a GTM file"},
        {"truncated", truncated, "truncated"},
        {"no waypoints", noWaypoints, "no waypoints"},
        {"other datum", Sample(100), "datum code 100 refused"},
        {"hu-tzu-shan without a terminal", Sample(81), "Hu-Tzu-Shan datum refused"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        std::string in = Path(std::string(c.label) + ".gtm");
        if (std::string(c.label) != "missing") Write(std::string(c.label) + ".gtm", c.input);
        testing::WriteBytes(dir / "keep.wtr", Bytes{'o', 'l', 'd'});

        CliRun run = Gtm2wtr({in, Path("keep.wtr")});
        EXPECT_EQ(run.exit, 1);
        EXPECT_NE(run.err.find("gtm2wtr: " + in + ": "), std::string::npos) << run.err;
        EXPECT_NE(run.err.find(c.reason), std::string::npos) << run.err;
        EXPECT_EQ(testing::ReadBytes(dir / "keep.wtr"), (Bytes{'o', 'l', 'd'}));
    }
}

TEST_F(Gtm2wtrTest, PrintsTheDatumMessagesInTheirOwnWords) {
    CliRun other = Gtm2wtr({Write("o.gtm", Sample(216)), Path("o.wtr")});
    EXPECT_NE(other.err.find(kDatumUnsupportedText), std::string::npos);
    CliRun huTzuShan = Gtm2wtr({Write("h.gtm", Sample(81)), Path("h.wtr")});
    EXPECT_NE(huTzuShan.err.find(kDatumHuTzuShanText), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir / "h.wtr"));
}

TEST_F(Gtm2wtrTest, HuTzuShanFollowsTheOptionOrTheAnswer) {
    std::string in = Write("h.gtm", Sample(81));
    struct Case {
        std::vector<std::string> options;
        bool interactive;
        std::string answer;
        int exit;
    };
    const Case cases[] = {
        {{"--hu-tzu-shan=shift"}, false, "", 0},
        {{"--hu-tzu-shan=refuse"}, false, "", 1},
        {{}, true, "y\n", 0},
        {{}, true, "n\n", 1},
        {{}, true, "", 1},
        {{"--hu-tzu-shan=shift"}, true, "n\n", 0},
    };
    for (const Case& c : cases) {
        std::filesystem::remove(dir / "h.wtr");
        std::vector<std::string> args = c.options;
        args.push_back(in);
        args.push_back(Path("h.wtr"));
        CliRun run = Gtm2wtr(args, c.interactive, c.answer);
        EXPECT_EQ(run.exit, c.exit) << run.err;
        EXPECT_EQ(std::filesystem::exists(dir / "h.wtr"), c.exit == 0);
        if (c.exit == 0) {
            Bytes wtr = testing::ReadBytes(dir / "h.wtr");
            std::int32_t latitude;
            std::memcpy(&latitude, &wtr[16 + 20], 4);
            EXPECT_EQ(latitude, 298240363) << "shifted exactly once";
        }
    }
}

TEST_F(Gtm2wtrTest, UsageErrorsExitWithTwo) {
    std::string in = Write("a.gtm", Sample());
    const std::vector<std::vector<std::string>> cases = {
        {},
        {in},
        {in, Path("a.wtr"), Path("b.wtr")},
        {"--bogus", in, Path("a.wtr")},
        {"--hu-tzu-shan=maybe", in, Path("a.wtr")},
        {"--codepage"},
        {"--codepage", "NO-SUCH-CODEPAGE", "--list", in},
        {"--list"},
        {"--list", in, in},
        {"--list", "--hu-tzu-shan=shift", in},
        {"-d"},
        {"-d", dir.path().string()},
    };
    for (const auto& args : cases) {
        CliRun run = Gtm2wtr(args);
        EXPECT_EQ(run.exit, 2) << ::testing::PrintToString(args);
        EXPECT_NE(run.err.find("Usage:"), std::string::npos);
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "a.wtr"));
}

TEST_F(Gtm2wtrTest, HelpAndVersionGoToStandardOutput) {
    CliRun help = Gtm2wtr({"--help"});
    EXPECT_EQ(help.exit, 0);
    EXPECT_NE(help.out.find("gtm2wtr --list"), std::string::npos);
    CliRun version = Gtm2wtr({"--version"});
    EXPECT_EQ(version.exit, 0);
    EXPECT_EQ(version.out.rfind("gtm2wtr (Quendra) ", 0), 0u);
}

TEST_F(Gtm2wtrTest, ListingRefusesWhatItCannotRead) {
    CliRun missing = Gtm2wtr({"--list", Path("none.gtm")});
    EXPECT_EQ(missing.exit, 1);
    EXPECT_NE(missing.err.find("cannot open"), std::string::npos);
    CliRun foreign = Gtm2wtr({"--list", Write("x.txt", Bytes(200, 'x'))});
    EXPECT_EQ(foreign.exit, 1);
    EXPECT_NE(foreign.err.find("neither a GTM nor a WTR file"), std::string::npos);
    EXPECT_EQ(foreign.out, "");
}

#ifndef _WIN32  // a POSIX shell and wait status; scripts/windows-check.sh runs the .exe
TEST(Gtm2wtrExecutable, ExitsWithTheStatusOfTheRun) {
    // The real binary, to be sure main passes arguments and the status through.
    const std::string binary = GTM2WTR_PATH;
    EXPECT_EQ(WEXITSTATUS(std::system((binary + " --version >/dev/null").c_str())), 0);
    EXPECT_EQ(WEXITSTATUS(std::system((binary + " 2>/dev/null").c_str())), 2);
    EXPECT_EQ(
        WEXITSTATUS(std::system((binary + " /nonexistent.gtm /tmp/x.wtr 2>/dev/null").c_str())), 1);
}
#endif

}  // namespace
}  // namespace quendra
