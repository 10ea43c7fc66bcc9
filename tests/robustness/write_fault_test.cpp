// When writing cannot succeed (the disk fills, the folder is read-only, the path is a
// folder, the input is gone), the user's existing file stays byte for byte as it was, no
// temporary file is left behind, and gtm2wtr says what happened and exits with 1.
#ifndef _WIN32

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/robustness/child_process.h"
#include "tests/support/gtm_builder.h"
#include "waypoints/gtm_waypoint_set.h"
#include "waypoints/wtr_waypoint_set.h"

namespace quendra {
namespace {

namespace fs = std::filesystem;
using testing::ChildConditions;
using testing::ChildResult;
using testing::GtmBuilder;
using testing::GtmRecordSpec;
using testing::RunInChild;
using testing::RunProgram;
using Bytes = std::vector<std::uint8_t>;

constexpr int kWaypoints = 500;
constexpr std::size_t kWtrSize = 16 + 64 * kWaypoints + 32;
const std::string kGtm2Wtr = GTM2WTR_PATH;

Bytes ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const fs::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::string> NamesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

class WriteFault : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "quendra-fault-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        root_ = pattern;
        out_ = root_ / "out";
        input_ = root_ / "in.gtm";
        existing_ = out_ / "old.wtr";
        // Another user (see the read-only folder) must be able to reach the files.
        fs::permissions(root_, fs::perms::owner_all | fs::perms::group_read |
                                   fs::perms::group_exec | fs::perms::others_read |
                                   fs::perms::others_exec);
        fs::create_directory(out_);

        GtmBuilder builder;
        for (int i = 0; i < kWaypoints; ++i) {
            GtmRecordSpec record;
            record.name = "W" + std::to_string(i);
            builder.Add(record);
        }
        WriteBytes(input_, builder.Build());
        WriteBytes(existing_, old_);

        GtmWaypointSet gtm;
        VectorLineSink lines;
        ASSERT_TRUE(gtm.Load(input_, lines));
        ASSERT_TRUE(wtr_.BuildFrom(gtm.count, gtm.records.get()));
    }

    void TearDown() override {
        std::error_code ignored;
        fs::permissions(out_, fs::perms::owner_all, ignored);
        fs::remove_all(root_, ignored);
    }

    // The library's Save in a child, reported as "saved" or "failed".
    ChildResult SaveInChild(const ChildConditions& conditions, const fs::path& target) {
        return RunInChild(conditions, [&] { return wtr_.Save(target) ? "saved" : "failed"; });
    }

    ChildResult Gtm2Wtr(const ChildConditions& conditions, std::vector<std::string> args) {
        args.insert(args.begin(), kGtm2Wtr);
        return RunProgram(conditions, args);
    }

    // The old file is as it was, and nothing else is in its folder.
    void ExpectOldFileAlone() {
        EXPECT_EQ(ReadBytes(existing_), old_);
        EXPECT_EQ(NamesIn(out_), std::vector<std::string>{"old.wtr"});
    }

    fs::path root_, out_, input_, existing_;
    const Bytes old_ = Bytes(5000, 0xA5);
    WtrWaypointSet wtr_;
};

// The disk fills in the middle of a save: at the first byte, inside the first marker,
// inside the records, one byte short of the end.
class DiskFills : public WriteFault, public ::testing::WithParamInterface<rlim_t> {};

TEST_P(DiskFills, SaveFailsAndKeepsTheOldFile) {
    ChildResult result = SaveInChild({.fileSizeLimit = GetParam()}, existing_);
    ASSERT_TRUE(result.exited) << "signal " << result.signal;
    EXPECT_EQ(result.report, "failed");
    ExpectOldFileAlone();
}

TEST_P(DiskFills, Gtm2WtrExitsWithOneAndSaysSo) {
    ChildResult result =
        Gtm2Wtr({.fileSizeLimit = GetParam()}, {input_.string(), existing_.string()});
    ASSERT_TRUE(result.exited) << "signal " << result.signal;
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(Contains(result.report, existing_.string() + ": cannot write the WTR file"))
        << result.report;
    ExpectOldFileAlone();
}

INSTANTIATE_TEST_SUITE_P(AtEachStage, DiskFills, ::testing::Values(0, 1, 16, 4096, kWtrSize - 1));

// With exactly enough room the same save succeeds: the limit, not the set-up, made the
// cases above fail.
TEST_F(WriteFault, DiskWithJustEnoughRoomTakesTheWholeFile) {
    ChildResult result = SaveInChild({.fileSizeLimit = kWtrSize}, existing_);
    EXPECT_EQ(result.report, "saved");
    EXPECT_EQ(fs::file_size(existing_), kWtrSize);
    EXPECT_EQ(NamesIn(out_), std::vector<std::string>{"old.wtr"});
}

// Root may write into any folder, so as root the writer runs as "nobody".
TEST_F(WriteFault, ReadOnlyFolderKeepsEvenAWritableOldFile) {
    ChildConditions unprivileged;
    if (::geteuid() == 0) {
        auto nobody = testing::NobodyUser();
        if (!nobody) GTEST_SKIP() << "running as root and there is no user 'nobody' to drop to";
        unprivileged.user = nobody->first;
        unprivileged.group = nobody->second;
    }
    // The old file itself may be written; only the folder is closed. Replacing the file in
    // place would succeed here, and would lose it on the next failure.
    fs::permissions(existing_, fs::perms::all);
    fs::permissions(out_, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                              fs::perms::others_read | fs::perms::others_exec);

    ChildResult saved = SaveInChild(unprivileged, existing_);
    if (saved.setupFailed) GTEST_SKIP() << "cannot drop to user 'nobody' here";
    EXPECT_EQ(saved.report, "failed");
    ExpectOldFileAlone();

    ChildResult cli = Gtm2Wtr(unprivileged, {input_.string(), existing_.string()});
    EXPECT_EQ(cli.exitCode, 1);
    EXPECT_TRUE(Contains(cli.report, existing_.string() + ": cannot write the WTR file"))
        << cli.report;
    ExpectOldFileAlone();

    // The same user can write once the folder opens: the permission was what stopped it.
    fs::permissions(out_, fs::perms::all);
    EXPECT_EQ(SaveInChild(unprivileged, existing_).report, "saved");
    EXPECT_EQ(fs::file_size(existing_), kWtrSize);
}

TEST_F(WriteFault, OutputPathThatIsAFolderIsLeftAsItWas) {
    fs::path folder = out_ / "target.wtr";
    fs::create_directory(folder);
    WriteBytes(folder / "inside", old_);

    EXPECT_FALSE(wtr_.Save(folder));
    ChildResult cli = Gtm2Wtr({}, {input_.string(), folder.string()});
    EXPECT_EQ(cli.exitCode, 1);
    EXPECT_TRUE(Contains(cli.report, folder.string() + ": cannot write the WTR file"))
        << cli.report;

    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_EQ(NamesIn(folder), std::vector<std::string>{"inside"});
    EXPECT_EQ(ReadBytes(folder / "inside"), old_);
    EXPECT_EQ(NamesIn(out_), (std::vector<std::string>{"old.wtr", "target.wtr"}));
}

TEST_F(WriteFault, OutputFolderThatIsAFileIsLeftAsItWas) {
    fs::path notAFolder = existing_ / "new.wtr";
    EXPECT_FALSE(wtr_.Save(notAFolder));
    ChildResult cli = Gtm2Wtr({}, {input_.string(), notAFolder.string()});
    EXPECT_EQ(cli.exitCode, 1);
    EXPECT_TRUE(Contains(cli.report, notAFolder.string() + ": cannot write the WTR file"))
        << cli.report;
    ExpectOldFileAlone();
}

// The input is listed, then removed (or swapped for something that is not a file) before
// it is converted.
TEST_F(WriteFault, InputGoneBeforeConvertingLeavesTheOldOutput) {
    ASSERT_EQ(Gtm2Wtr({}, {"--list", input_.string()}).exitCode, 0);
    fs::remove(input_);

    ChildResult cli = Gtm2Wtr({}, {input_.string(), existing_.string()});
    EXPECT_EQ(cli.exitCode, 1);
    EXPECT_TRUE(Contains(cli.report, input_.string() + ": cannot open the file")) << cli.report;
    ExpectOldFileAlone();
}

TEST_F(WriteFault, BatchGoesOnPastAnInputThatIsGone) {
    fs::path kept = root_ / "kept.gtm";
    fs::copy_file(input_, kept);
    fs::path gone = root_ / "old.gtm";  // its output would replace old.wtr
    fs::copy_file(input_, gone);
    ASSERT_EQ(Gtm2Wtr({}, {"--list", gone.string()}).exitCode, 0);
    fs::remove(gone);

    ChildResult cli = Gtm2Wtr({}, {"-d", out_.string(), gone.string(), kept.string()});
    EXPECT_EQ(cli.exitCode, 1);
    EXPECT_TRUE(Contains(cli.report, gone.string() + ": cannot open the file")) << cli.report;
    EXPECT_EQ(ReadBytes(existing_), old_);
    EXPECT_EQ(fs::file_size(out_ / "kept.wtr"), kWtrSize);
    EXPECT_EQ(NamesIn(out_), (std::vector<std::string>{"kept.wtr", "old.wtr"}));
}

// A FIFO with no writer: opening it to read would wait forever.
TEST_F(WriteFault, InputSwappedForAFifoOrFolderIsRefusedWithoutWaiting) {
    fs::remove(input_);
    ASSERT_EQ(::mkfifo(input_.c_str(), 0644), 0);
    ChildResult loaded = RunInChild({.hangGuardSeconds = 10}, [&] {
        GtmWaypointSet gtm;
        VectorLineSink lines;
        return std::string(gtm.Load(input_, lines) ? "loaded" : "refused");
    });
    EXPECT_EQ(loaded.signal, 0) << "the read waited for a writer";
    EXPECT_EQ(loaded.report, "refused");
    ChildResult fifo = Gtm2Wtr({.hangGuardSeconds = 10}, {input_.string(), existing_.string()});
    EXPECT_EQ(fifo.signal, 0) << "gtm2wtr waited for a writer";
    EXPECT_EQ(fifo.exitCode, 1);
    EXPECT_TRUE(Contains(fifo.report, input_.string() + ": cannot open the file")) << fifo.report;
    ExpectOldFileAlone();

    fs::remove(input_);
    fs::create_directory(input_);
    ChildResult folder = Gtm2Wtr({}, {input_.string(), existing_.string()});
    EXPECT_EQ(folder.exitCode, 1);
    EXPECT_TRUE(Contains(folder.report, input_.string() + ": cannot open the file"))
        << folder.report;
    ExpectOldFileAlone();
}

}  // namespace
}  // namespace quendra

#endif  // _WIN32
