// gtm2wtr as a user meets it: what it writes, what it prints, and how it exits.
#include "cli/gtm2wtr.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "res/string_table.h"
#include "tests/support/gtm_builder.h"
#include "tests/support/temp_dir.h"

namespace quendra {
namespace {

namespace fs = std::filesystem;
using testing::GtmBuilder;
using Bytes = std::vector<std::uint8_t>;

struct CliRun {
    int exit = -1;
    std::string out, err;
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

// gtm2wtr takes paths as UTF-8 on every platform.
std::string Utf8(const fs::path& path) {
    std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

fs::path FromUtf8(std::string_view text) {
    return fs::path(std::u8string(text.begin(), text.end()));
}

Bytes Sample(std::uint16_t datum = 217) {
    return GtmBuilder()
        .Datum(datum)
        .Add({.latitude = 25.0, .longitude = 121.5, .name = "\xA4\xA4\xA4\xE5", .altitude = 12.6f})
        .Add({.latitude = 23.97, .longitude = -0.7, .name = "HOME", .icon = 27, .altitude = -12.2f})
        .Build();
}

class Gtm2wtrTest : public ::testing::Test {
protected:
    std::string Write(const std::string& name, const Bytes& bytes) {
        testing::WriteBytes(dir / FromUtf8(name), bytes);
        return Path(name);
    }
    std::string Path(const std::string& name) { return Utf8(dir / FromUtf8(name)); }

    testing::TempDir dir;
};

TEST_F(Gtm2wtrTest, ConvertsAndListsGtmAndWtrFilesInUtf8) {
    std::string in = Write("a.gtm", Sample());
    CliRun run = Gtm2wtr({in, Path("a.wtr")});
    EXPECT_EQ(run.exit, 0) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "gtm2wtr: wrote 2 waypoints to " + Path("a.wtr") + "\n");
    EXPECT_EQ(testing::ReadBytes(dir / "a.wtr").size(), 16u + 2 * 64 + 32);

    for (const std::string& file : {in, Path("a.wtr")}) {
        CliRun list = Gtm2wtr({"--list", "--codepage", "CP950", file});
        EXPECT_EQ(list.exit, 0);
        EXPECT_EQ(list.out, "中文        13\nHOME       -12\n") << file;
        EXPECT_EQ(list.err, "");
    }
    EXPECT_EQ(Gtm2wtr({"--list", "--codepage", "CP1252", in}).out.substr(0, 8), "¤¤¤å");
}

TEST_F(Gtm2wtrTest, RefusalsNameTheFileAndTheReasonAndWriteNothing) {
    Bytes truncated = Sample();
    truncated.pop_back();
    struct Case {
        const char* file;
        bool exists;
        Bytes input;
        const char* reason;
        bool list = false;
    };
    const Case cases[] = {
        {"missing", false, {}, "cannot open"},
        {"empty", true, {}, "the file is empty"},
        {"foreign", true, Bytes(200, 'x'), "not a GTM file"},
        {"truncated", true, truncated, "the file is truncated"},
        {"none", true, GtmBuilder().Build(), "the file holds no waypoints"},
        {"datum100", true, Sample(100), "datum code 100 refused"},
        {"hutzushan", true, Sample(81), "Hu-Tzu-Shan datum refused"},
        {"listmissing", false, {}, "cannot open", true},
        {"listforeign", true, Bytes(200, 'x'), "neither a GTM nor a WTR file", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        std::string in = c.exists ? Write(c.file, c.input) : Path(c.file);
        testing::WriteBytes(dir / "keep.wtr", {'o', 'l', 'd'});
        CliRun run = c.list ? Gtm2wtr({"--list", in}) : Gtm2wtr({in, Path("keep.wtr")});
        EXPECT_EQ(run.exit, 1);
        EXPECT_NE(run.err.find("gtm2wtr: " + in + ": " + c.reason), std::string::npos) << run.err;
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(testing::ReadBytes(dir / "keep.wtr"), (Bytes{'o', 'l', 'd'}));
    }
}

TEST_F(Gtm2wtrTest, PrintsTheDatumMessagesInTheirOwnWords) {
    EXPECT_NE(Gtm2wtr({Write("o.gtm", Sample(216)), Path("o.wtr")}).err.find(kDatumUnsupportedText),
              std::string::npos);
    EXPECT_NE(Gtm2wtr({Write("h.gtm", Sample(81)), Path("h.wtr")}).err.find(kDatumHuTzuShanText),
              std::string::npos);
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
        fs::remove(dir / "h.wtr");
        std::vector<std::string> args = c.options;
        args.insert(args.end(), {in, Path("h.wtr")});
        CliRun run = Gtm2wtr(args, c.interactive, c.answer);
        EXPECT_EQ(run.exit, c.exit) << run.err;
        EXPECT_EQ(fs::exists(dir / "h.wtr"), c.exit == 0);
        if (c.exit == 0) {
            std::int32_t latitude;
            std::memcpy(&latitude, &testing::ReadBytes(dir / "h.wtr")[16 + 20], 4);
            EXPECT_EQ(latitude, 298240363) << "shifted exactly once";
        }
    }
}

TEST_F(Gtm2wtrTest, UsageErrorsExitWithTwoAndHelpAndVersionWithZero) {
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
        {"-d", Utf8(dir.path())},
    };
    for (const auto& args : cases) {
        CliRun run = Gtm2wtr(args);
        EXPECT_EQ(run.exit, 2) << ::testing::PrintToString(args);
        EXPECT_NE(run.err.find("Usage:"), std::string::npos);
    }
    EXPECT_FALSE(fs::exists(dir / "a.wtr"));

    CliRun help = Gtm2wtr({"--help"});
    EXPECT_EQ(help.exit, 0);
    EXPECT_NE(help.out.find("gtm2wtr --list"), std::string::npos);
    EXPECT_EQ(Gtm2wtr({"--version"}).out.rfind("gtm2wtr (Quendra) ", 0), 0u);
}

TEST_F(Gtm2wtrTest, BatchGoesOnPastFailuresAndReportsEachInOrder) {
    fs::create_directories(dir / "out");
    fs::create_directories(dir / "other");
    testing::WriteBytes(dir / "out" / "tokyo.wtr", {'o', 'l', 'd'});
    const std::vector<std::string> inputs = {
        Write("alpha.gtm", Sample()),
        Path("missing.gtm"),
        Write("tokyo.gtm", Sample(100)),
        Write("trip.2024.gtm", Sample()),
        Write("other/alpha.gtm", Sample()),
        Write("no-extension", Sample()),
        // Not blocked by the missing input of the same name.
        Write("other/missing.gtm", Sample()),
    };
    std::vector<std::string> args = {"-d", Path("out")};
    args.insert(args.end(), inputs.begin(), inputs.end());
    CliRun run = Gtm2wtr(args);
    EXPECT_EQ(run.exit, 1);

    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir / "out")) {
        names.push_back(Utf8(entry.path().filename()));
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"alpha.wtr", "missing.wtr", "no-extension.wtr",
                                               "tokyo.wtr", "trip.2024.wtr"}));
    EXPECT_EQ(testing::ReadBytes(dir / "out" / "tokyo.wtr"), (Bytes{'o', 'l', 'd'}));

    const std::string reports[] = {
        "wrote 2 waypoints to " + Utf8(dir / "out" / "alpha.wtr"),
        inputs[1] + ": cannot open",
        inputs[2] + ": datum code 100 refused",
        "wrote 2 waypoints to " + Utf8(dir / "out" / "trip.2024.wtr"),
        inputs[4] + ": skipped: an earlier input was already written as",
        "wrote 2 waypoints to " + Utf8(dir / "out" / "no-extension.wtr"),
        "wrote 2 waypoints to " + Utf8(dir / "out" / "missing.wtr"),
    };
    std::size_t at = 0;
    for (const std::string& report : reports) {
        at = run.err.find(report, at);
        ASSERT_NE(at, std::string::npos) << "missing or out of order: " << report << "\n"
                                         << run.err;
    }
}

TEST_F(Gtm2wtrTest, PathsOutsideAsciiReachTheFileSystemIntact) {
    // Seoul in Hangul fits no Big5 or Western code page: only Unicode paths carry it.
    fs::create_directories(dir / FromUtf8("航點"));
    fs::create_directories(dir / FromUtf8("輸出 資料"));
    std::string taipei = Write("航點/台北.gtm", Sample());
    std::string seoul = Write("航點/서울.gtm", Sample());
    EXPECT_EQ(Gtm2wtr({"-d", Path("輸出 資料"), taipei, seoul}).exit, 0);
    EXPECT_EQ(Gtm2wtr({seoul, Path("航點/高雄.wtr")}).exit, 0);
    for (const char* wtr : {"輸出 資料/台北.wtr", "輸出 資料/서울.wtr", "航點/高雄.wtr"}) {
        EXPECT_EQ(testing::ReadBytes(dir / FromUtf8(wtr)).size(), 176u) << wtr;
    }
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
