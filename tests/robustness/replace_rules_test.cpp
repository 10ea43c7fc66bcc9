// What a save may replace, as gtm2wtr meets it, and what a save that cannot be made leaves.
// Anything but a regular file, and the input itself however it is named, are refused;
// links are written through and stay links; a replaced file keeps its mode and owner; a
// read-only file is refused, even for root, and so is someone else's file that only its
// owner may write or, in a sticky folder, replace. A refused or failed save (a read-only
// folder, a disk that fills, an input that is a FIFO) exits 1 naming the cause and changes
// nothing. Run as root and, when the tests run as root, again as nobody, on files nobody
// owns. A child that hangs or crashes exits neither 0 nor 1.
#ifndef _WIN32

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "tests/robustness/child_process.h"
#include "tests/support/gtm2wtr_run.h"
#include "tests/support/gtm_builder.h"
#include "tests/support/temp_dir.h"

namespace quendra {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kWtrSize = 16 + 64 + 32;
const std::string kCannotWrite = "cannot write the WTR file: ";

struct Case {
    const char* what;
    const char* output;  // in the test's folder, or absolute
    const char* make;    // shell commands, run in that folder, that put in place what it names
    std::string says;    // the cause gtm2wtr gives; empty when the conversion succeeds
    std::optional<rlim_t> fileSizeLimit = {};
    bool notAsRoot = false;  // root may write into any folder
    bool rootOwned = false;  // the output and its folder stay root's: run as nobody only
};

struct stat Stat(const fs::path& path) {
    struct stat info {};
    EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
    return info;
}

TEST(ReplaceRules, WhatASaveMayReplaceAndWhatAFailedOneLeaves) {
    const Bytes gtm = testing::GtmBuilder().Add({}).Build();
    const std::string notRegular = kCannotWrite + "not a regular file",
                      same = kCannotWrite + "same file as the input";
    const bool root = ::geteuid() == 0;
    const Case cases[] = {
        // Only root can make a device node; anyone else may safely be given the real one.
        {"a device", root ? "null" : "/dev/null", root ? "mknod null c 1 3" : "true", notRegular},
        {"a FIFO", "fifo", "mkfifo fifo", notRegular},
        {"a folder", "folder.wtr", "mkdir folder.wtr", notRegular},
        {"the input itself", "in.gtm", "true", same},
        {"a link to the input", "link.wtr", "ln -s in.gtm link.wtr", same},
        {"a hard link to the input", "hard.wtr", "ln in.gtm hard.wtr", same},
        {"the input, given through a link", "real.gtm",
         "mv in.gtm real.gtm && ln -s real.gtm in.gtm", same},
        // The new file goes where the link leads; the link stays a link.
        {"a link into another folder", "link.wtr",
         "mkdir other && echo old >other/old.wtr && ln -s other/old.wtr link.wtr", ""},
        {"a link to no file yet", "dangling.wtr", "ln -s made.wtr dangling.wtr", ""},
        {"a file shared with its group", "shared.wtr",
         "echo old >shared.wtr && chmod 660 shared.wtr", ""},
        // Refused even for root, who could write it: the mode says to keep it.
        {"a read-only file", "readonly.wtr", "echo old >readonly.wtr && chmod 444 readonly.wtr",
         kCannotWrite + "Permission denied"},
        // The old file itself may still be written: replacing it in place would succeed.
        {"a file in a read-only folder", "locked/old.wtr",
         "mkdir locked && echo old >locked/old.wtr && chmod 555 locked",
         kCannotWrite + "the folder is not writable", std::nullopt, true},
        // Someone else's file: the folder lets the rename through, the file's mode does not;
        // in a sticky folder it is the other way round.
        {"root's file with its owner's write bit, in an open folder", "open/old.wtr",
         "mkdir -m 777 open && echo old >open/old.wtr && chmod 644 open/old.wtr",
         kCannotWrite + "Permission denied", std::nullopt, false, true},
        {"root's writable file in a sticky folder", "sticky/old.wtr",
         "mkdir -m 1777 sticky && echo old >sticky/old.wtr && chmod 666 sticky/old.wtr",
         kCannotWrite + "in this folder only the file's owner may replace it", std::nullopt, false,
         true},
        // The one write of the file is cut short, then fails as on a full disk.
        {"a disk a byte short of the file", "full.wtr", "echo old >full.wtr",
         kCannotWrite + "File too large", kWtrSize - 1},
        // A GPX file is saved by the same rules.
        {"a read-only GPX file", "readonly.gpx", "echo old >readonly.gpx && chmod 444 readonly.gpx",
         "cannot write the GPX file: Permission denied"},
        {"a .gpx link to the input", "link.gpx", "ln -s in.gtm link.gpx",
         "cannot write the GPX file: same file as the input"},
        {"a disk too small for the GPX file", "full.gpx", "echo old >full.gpx",
         "cannot write the GPX file: File too large", 100},
        // No writer ever opens it: a blocking open would wait until the child's alarm.
        {"an input that is a FIFO", "old.wtr", "echo old >old.wtr && rm in.gtm && mkfifo in.gtm",
         "in.gtm: cannot open the file: not a regular file"},
    };

    for (bool asNobody : {false, true}) {
        for (const Case& c : cases) {
            if (asNobody ? !root : (c.notAsRoot && root) || c.rootOwned) continue;
            SCOPED_TRACE(std::string(c.what) + (asNobody ? ", as nobody" : ""));
            testing::TempDir dir;
            const fs::path input = dir / "in.gtm", output = dir / c.output;
            testing::WriteBytes(input, gtm);
            // Everything belongs to nobody, so root also replaces a file it does not own.
            const std::string make = "cd '" + dir.path().string() + "' && " + c.make +
                                     (root ? " && chown -hR nobody: ." : "");
            ASSERT_EQ(std::system(make.c_str()), 0) << make;
            if (c.rootOwned) {
                for (const fs::path& own : {output, output.parent_path()})
                    ::lchown(own.c_str(), 0, 0);
            }
            const struct stat before = Stat(output);
            const Bytes old = S_ISREG(before.st_mode) ? testing::ReadBytes(output) : Bytes{};

            auto result = testing::RunInChild(
                {.fileSizeLimit = c.fileSizeLimit, .asNobodyWhenRoot = asNobody}, [&] {
                    const testing::CliRun run = testing::Gtm2wtr({input, output});
                    std::fputs(run.err.c_str(), stderr);
                    return run.exit;
                });
            if (c.notAsRoot)
                fs::permissions(output.parent_path(), fs::perms::owner_all, fs::perm_options::add);
            EXPECT_EQ(result.exitCode, c.says.empty() ? 0 : 1) << result.output;
            EXPECT_NE(result.output.find(c.says), std::string::npos) << result.output;
            // Links stay links, mode and owner stay as they were; the new bytes go where
            // links lead, and a refused or failed save leaves the old ones.
            const struct stat after = Stat(output);
            EXPECT_EQ(std::tuple(after.st_mode, after.st_uid, after.st_gid),
                      std::tuple(before.st_mode, before.st_uid, before.st_gid));
            if (c.says.empty()) {
                EXPECT_EQ(fs::file_size(output), kWtrSize);
            } else if (S_ISREG(before.st_mode)) {
                EXPECT_TRUE(testing::ReadBytes(output) == old) << "the old file changed";
            }
            for (const auto& entry : fs::recursive_directory_iterator(dir.path())) {
                EXPECT_NE(entry.path().filename().string()[0], '.') << "left behind: " << entry;
            }
        }
    }
}

}  // namespace
}  // namespace quendra

#endif  // _WIN32
