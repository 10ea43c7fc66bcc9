// gtm2wtr -d: many inputs into one folder, each as NAME.wtr, going on past the ones
// that fail and saying why each failed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "cli/gtm2wtr.h"
#include "tests/support/gtm_builder.h"
#include "tests/support/temp_dir.h"

namespace quendra {
namespace {

namespace fs = std::filesystem;
using testing::GtmBuilder;
using testing::GtmRecordSpec;
using Bytes = std::vector<std::uint8_t>;

struct Result {
    int exit = -1;
    std::string err;
};

Result Gtm2wtr(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    std::istringstream in;
    Result result;
    result.exit = RunGtm2Wtr(args, {out, err, in, false});
    result.err = err.str();
    EXPECT_EQ(out.str(), "") << "conversion prints nothing to standard output";
    return result;
}

// gtm2wtr takes paths as UTF-8 on every platform.
std::string Utf8(const fs::path& path) {
    std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

fs::path FromUtf8(std::string_view text) {
    return fs::path(std::u8string(text.begin(), text.end()));
}

Bytes Gtm(std::string name, std::uint16_t datum = 217) {
    GtmRecordSpec waypoint;
    waypoint.name = std::move(name);
    waypoint.latitude = 24.5;
    waypoint.longitude = 121.25;
    return GtmBuilder().Datum(datum).Add(waypoint).Build();
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) lines.push_back(line);
    return lines;
}

std::vector<std::string> NamesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(Utf8(entry.path().filename()));
    }
    std::sort(names.begin(), names.end());
    return names;
}

class BatchTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directory(in());
        fs::create_directory(out());
    }
    fs::path in() const { return dir.path() / "in"; }
    fs::path out() const { return dir.path() / "out"; }

    std::string Input(const std::string& name, const Bytes& bytes) {
        fs::path path = in() / FromUtf8(name);
        testing::WriteBytes(path, bytes);
        return Utf8(path);
    }

    // What a single conversion of `bytes` writes: the batch must write the same.
    Bytes ConvertedAlone(const Bytes& bytes) {
        fs::path gtm = dir.path() / "alone.gtm";
        fs::path wtr = dir.path() / "alone.wtr";
        testing::WriteBytes(gtm, bytes);
        Result result = Gtm2wtr({Utf8(gtm), Utf8(wtr)});
        EXPECT_EQ(result.exit, 0) << result.err;
        return testing::ReadBytes(wtr);
    }

    testing::TempDir dir;
};

TEST_F(BatchTest, WritesEachInputAsItsNameWithTheWtrExtension) {
    struct Case {
        std::string input;
        std::string output;
    };
    const std::vector<Case> cases = {
        {"alpha.gtm", "alpha.wtr"},         {"BETA.GTM", "BETA.wtr"},
        {"trip.2024.gtm", "trip.2024.wtr"}, {"no-extension", "no-extension.wtr"},
        {"has space.gtm", "has space.wtr"},
    };
    std::vector<std::string> args = {"-d", Utf8(out())};
    std::vector<std::string> expectedNames;
    for (const Case& c : cases) {
        args.push_back(Input(c.input, Gtm(c.input)));
        expectedNames.push_back(c.output);
    }
    std::sort(expectedNames.begin(), expectedNames.end());

    Result result = Gtm2wtr(args);
    EXPECT_EQ(result.exit, 0) << result.err;
    EXPECT_EQ(NamesIn(out()), expectedNames) << "one file per input and no leftovers";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        EXPECT_EQ(testing::ReadBytes(out() / c.output), ConvertedAlone(Gtm(c.input)));
    }
    EXPECT_EQ(Lines(result.err).size(), cases.size()) << result.err;
}

TEST_F(BatchTest, GoesOnPastFailuresAndReportsEachInTurn) {
    const Bytes whole = Gtm("CUT");
    const Bytes truncated(whole.begin(), whole.end() - 3);
    struct Case {
        std::string name;
        bool exists;
        Bytes bytes;
        std::string reason;  // empty: converts
    };
    const std::vector<Case> cases = {
        {"first.gtm", true, Gtm("FIRST"), ""},
        {"missing.gtm", false, {}, "cannot open"},
        {"foreign.gtm", true, Bytes(300, 'x'), "not a GTM file"},
        {"middle.gtm", true, Gtm("MIDDLE"), ""},
        {"truncated.gtm", true, truncated, "truncated"},
        {"tokyo.gtm", true, Gtm("TOKYO", 100), "datum code 100 refused"},
        {"last.gtm", true, Gtm("LAST"), ""},
    };
    // A failed input leaves the file of its name in the output folder alone.
    const Bytes old = {'o', 'l', 'd'};
    testing::WriteBytes(out() / "tokyo.wtr", old);

    std::vector<std::string> args = {"-d", Utf8(out())};
    for (const Case& c : cases) {
        args.push_back(c.exists ? Input(c.name, c.bytes) : Utf8(in() / c.name));
    }
    Result result = Gtm2wtr(args);
    EXPECT_EQ(result.exit, 1);

    std::vector<std::string> lines = Lines(result.err);
    std::size_t line = 0;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.name);
        fs::path wtr = out() / fs::path(c.name).replace_extension(".wtr");
        if (c.reason.empty()) {
            EXPECT_EQ(testing::ReadBytes(wtr), ConvertedAlone(c.bytes));
        } else if (c.name == "tokyo.gtm") {
            EXPECT_EQ(testing::ReadBytes(wtr), old);
        } else {
            EXPECT_FALSE(fs::exists(wtr));
        }
        // The report of each input comes in input order, after the report of the one before.
        std::string expected = c.reason.empty() ? "wrote 1 waypoint to " + Utf8(wtr)
                                                : "gtm2wtr: " + args[i + 2] + ": ";
        while (line < lines.size() && lines[line].find(expected) == std::string::npos) ++line;
        ASSERT_LT(line, lines.size()) << "no report \"" << expected << "\" in:\n" << result.err;
        if (!c.reason.empty()) {
            EXPECT_NE(lines[line].find(c.reason), std::string::npos) << lines[line];
        }
        ++line;
    }
}

TEST_F(BatchTest, ExitsWithZeroOnlyWhenEveryInputConverted) {
    std::string good = Input("good.gtm", Gtm("GOOD"));
    std::string bad = Input("bad.gtm", Bytes(100, 0));
    EXPECT_EQ(Gtm2wtr({"-d", Utf8(out()), good}).exit, 0);
    EXPECT_EQ(Gtm2wtr({"-d", Utf8(out()), good, bad}).exit, 1);
    EXPECT_EQ(Gtm2wtr({"-d", Utf8(out()), bad, good}).exit, 1);
    EXPECT_EQ(Gtm2wtr({"--output-dir=" + Utf8(out()), good}).exit, 0);
}

TEST_F(BatchTest, SecondInputOfTheSameNameIsSkippedNotWrittenOver) {
    fs::create_directory(dir.path() / "other");
    std::string first = Input("same.gtm", Gtm("FIRST"));
    fs::path secondPath = dir.path() / "other" / "same.gtm";
    testing::WriteBytes(secondPath, Gtm("SECOND"));

    Result result = Gtm2wtr({"-d", Utf8(out()), first, Utf8(secondPath)});
    EXPECT_EQ(result.exit, 1);
    EXPECT_EQ(testing::ReadBytes(out() / "same.wtr"), ConvertedAlone(Gtm("FIRST")));
    EXPECT_NE(result.err.find("gtm2wtr: " + Utf8(secondPath) + ": skipped"), std::string::npos)
        << result.err;
}

TEST_F(BatchTest, OutputFolderMustBeAnExistingFolder) {
    std::string input = Input("a.gtm", Gtm("A"));
    testing::WriteBytes(dir.path() / "plain-file", {'x'});
    for (const fs::path& folder : {dir.path() / "absent", dir.path() / "plain-file"}) {
        SCOPED_TRACE(Utf8(folder));
        Result result = Gtm2wtr({"-d", Utf8(folder), input});
        EXPECT_EQ(result.exit, 1);
        EXPECT_NE(result.err.find(Utf8(folder) + ": not a folder"), std::string::npos)
            << result.err;
    }
    EXPECT_FALSE(fs::exists(dir.path() / "absent"));
    EXPECT_EQ(testing::ReadBytes(dir.path() / "plain-file"), (Bytes{'x'}));
}

TEST_F(BatchTest, HuTzuShanChoiceAppliesToEveryInput) {
    std::vector<std::string> inputs = {Input("h1.gtm", Gtm("H1", 81)),
                                       Input("w.gtm", Gtm("W", 217)),
                                       Input("h2.gtm", Gtm("H2", 81))};
    std::vector<std::string> refuse = {"-d", Utf8(out())};
    refuse.insert(refuse.end(), inputs.begin(), inputs.end());
    EXPECT_EQ(Gtm2wtr(refuse).exit, 1);
    EXPECT_EQ(NamesIn(out()), (std::vector<std::string>{"w.wtr"}));

    std::vector<std::string> shift = {"--hu-tzu-shan=shift", "-d", Utf8(out())};
    shift.insert(shift.end(), inputs.begin(), inputs.end());
    EXPECT_EQ(Gtm2wtr(shift).exit, 0);
    EXPECT_EQ(NamesIn(out()), (std::vector<std::string>{"h1.wtr", "h2.wtr", "w.wtr"}));
    EXPECT_NE(testing::ReadBytes(out() / "h1.wtr"), ConvertedAlone(Gtm("H1", 217)))
        << "the shifted positions differ from unshifted ones";
}

// Folder and file names outside ASCII, as Taiwanese users name them, and one (Seoul, in
// Hangul) that no Big5 or Western code page can spell, so it reaches the file system only
// through Unicode.
TEST_F(BatchTest, NonAsciiFolderAndFileNames) {
    const fs::path folder = dir.path() / FromUtf8("航點");
    const fs::path output = dir.path() / FromUtf8("輸出 資料");
    fs::create_directory(folder);
    fs::create_directory(output);
    const fs::path taipei = folder / FromUtf8("台北.gtm");
    const fs::path seoul = folder / FromUtf8("서울.gtm");
    testing::WriteBytes(taipei, Gtm("\xA5\x78\xA5\x5F"));  // 台北 in Big5
    testing::WriteBytes(seoul, Gtm("SEOUL"));

    Result batch = Gtm2wtr({"-d", Utf8(output), Utf8(taipei), Utf8(seoul)});
    EXPECT_EQ(batch.exit, 0) << batch.err;
    EXPECT_EQ(NamesIn(output), (std::vector<std::string>{"台北.wtr", "서울.wtr"}));
    EXPECT_NE(batch.err.find(Utf8(output / FromUtf8("台北.wtr"))), std::string::npos) << batch.err;
    EXPECT_EQ(testing::ReadBytes(output / FromUtf8("서울.wtr")), ConvertedAlone(Gtm("SEOUL")));

    const fs::path single = folder / FromUtf8("高雄.wtr");
    EXPECT_EQ(Gtm2wtr({Utf8(taipei), Utf8(single)}).exit, 0);
    EXPECT_EQ(testing::ReadBytes(single), testing::ReadBytes(output / FromUtf8("台北.wtr")));

    Result missing = Gtm2wtr({"-d", Utf8(output), Utf8(folder / FromUtf8("不在.gtm"))});
    EXPECT_EQ(missing.exit, 1);
    EXPECT_NE(missing.err.find("不在.gtm: cannot open"), std::string::npos) << missing.err;
}

}  // namespace
}  // namespace quendra
