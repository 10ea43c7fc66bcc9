// When gtm2wtr cannot write (the disk fills, the folder is read-only) or its input is gone
// or is a FIFO, it exits with 1 and says which file and why; an existing output file stays
// byte for byte as it was and no temporary file is left. (What the output path may name:
// replace_rules_test.cpp.)
#ifndef _WIN32

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "tests/robustness/child_process.h"
#include "tests/support/gtm_builder.h"
#include "tests/support/temp_dir.h"

namespace quendra {
namespace {

namespace fs = std::filesystem;
using testing::ChildConditions;
using testing::RunProgram;

constexpr std::size_t kWtrSize = 16 + 64 * 500 + 32;

std::set<fs::path> Names(const fs::path& folder) {
    return std::set<fs::path>(fs::directory_iterator(folder), fs::directory_iterator());
}

using Arrange = std::function<void(const fs::path& input, const fs::path& outFolder)>;

struct Fault {
    const char* what;
    ChildConditions conditions;
    Arrange arrange;
    const char* output;  // in the output folder
    const char* says;    // the end of the path gtm2wtr blames, and why; null for success
};

TEST(WriteFault, ExitsWithOneAndLeavesTheOldFileAndNoTemporaryFile) {
    // The old file itself may still be written: replacing it in place would succeed.
    Arrange readOnly = [](const fs::path&, const fs::path& out) {
        fs::permissions(out, fs::perms::owner_write, fs::perm_options::remove);
    };
    Arrange listThenRemove = [](const fs::path& input, const fs::path&) {
        ASSERT_EQ(RunProgram({}, {GTM2WTR_PATH, "--list", input}).exitCode, 0);
        fs::remove(input);
    };
    // No writer ever opens it: a blocking open would wait until the child's alarm.
    Arrange fifo = [](const fs::path& input, const fs::path&) {
        fs::remove(input);
        ASSERT_EQ(::mkfifo(input.c_str(), 0644), 0);
    };
    const char* full = "old.wtr: cannot write the WTR file: File too large";
    const char* gone = "in.gtm: cannot open the file: No such file or directory";
    const Fault faults[] = {
        {"disk full at the first byte", {.fileSizeLimit = 0}, {}, "old.wtr", full},
        {"disk full in the first marker", {.fileSizeLimit = 8}, {}, "old.wtr", full},
        {"disk full in the records", {.fileSizeLimit = 4096}, {}, "old.wtr", full},
        {"disk full a byte short", {.fileSizeLimit = kWtrSize - 1}, {}, "old.wtr", full},
        // The same conversion with just enough room succeeds: the limit failed the others.
        {"disk with just enough room", {.fileSizeLimit = kWtrSize}, {}, "old.wtr", nullptr},
        {"output folder read-only",
         {.asNobodyWhenRoot = true},
         readOnly,
         "old.wtr",
         "old.wtr: cannot write the WTR file: the folder is not writable"},
        {"input removed after listing", {}, listThenRemove, "old.wtr", gone},
        {"input is a FIFO",
         {},
         fifo,
         "old.wtr",
         "in.gtm: cannot open the file: not a regular file"},
    };
    testing::GtmBuilder builder;
    for (int i = 0; i < 500; ++i) builder.Add({.name = "W" + std::to_string(i)});
    const std::vector<std::uint8_t> old(5000, 0xA5);

    for (const Fault& fault : faults) {
        SCOPED_TRACE(fault.what);
        testing::TempDir dir;
        fs::path input = dir / "in.gtm", out = dir / "out", output = out / fault.output;
        fs::create_directory(out);
        testing::WriteBytes(input, builder.Build());
        testing::WriteBytes(out / "old.wtr", old);
        fs::permissions(out / "old.wtr", fs::perms::all);
        if (fault.arrange) fault.arrange(input, out);
        std::set<fs::path> before = Names(out);

        auto result = RunProgram(fault.conditions, {GTM2WTR_PATH, input, output});
        fs::permissions(out, fs::perms::owner_all, fs::perm_options::add);
        ASSERT_EQ(result.signal, 0) << "the child hung or crashed";
        EXPECT_EQ(Names(out), before) << "a file was left behind or removed";
        EXPECT_EQ(result.exitCode, fault.says ? 1 : 0) << result.output;
        if (fault.says == nullptr) {
            EXPECT_EQ(fs::file_size(output), kWtrSize);
        } else {
            EXPECT_EQ(testing::ReadBytes(out / "old.wtr"), old);
            EXPECT_NE(result.output.find(fault.says), std::string::npos) << result.output;
        }
    }
}

}  // namespace
}  // namespace quendra

#endif  // _WIN32
