// What a save may replace, as gtm2wtr meets it: anything but a regular file and the input
// itself are refused and stay as they were; links are written through and stay links; a
// replaced file keeps its mode and owner; a read-only file is refused, even for root. Run
// as root and, when the tests run as root, again as nobody, on files nobody owns.
#ifndef _WIN32

#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "tests/robustness/child_process.h"
#include "tests/support/gtm_builder.h"
#include "tests/support/temp_dir.h"

namespace quendra {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kWtrSize = 16 + 64 + 32;

struct Case {
    const char* what;
    // Puts in place what the output path names, and returns the path.
    std::function<fs::path(const fs::path& dir, const fs::path& input)> arrange;
    const char* says;  // the cause gtm2wtr gives; null when the conversion succeeds
    std::function<void(const fs::path& output)> check;
};

struct stat Stat(const fs::path& path) {
    struct stat info {};
    EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
    return info;
}

TEST(ReplaceRules, WhatASaveMayReplaceAndHow) {
    const Bytes gtm = testing::GtmBuilder().Add({}).Build();
    const Bytes old(100, 'o');
    auto stays = [](fs::file_type type) {
        return
            [type](const fs::path& output) { EXPECT_EQ(fs::symlink_status(output).type(), type); };
    };
    auto oldFile = [&](const fs::path& path, mode_t mode) {
        testing::WriteBytes(path, old);
        ::chmod(path.c_str(), mode);
        return path;
    };
    auto replacedWithMode = [](mode_t mode) {
        return [mode](const fs::path& output) {
            EXPECT_EQ(Stat(output).st_mode & 07777, mode);
            EXPECT_EQ(fs::file_size(output), kWtrSize);
        };
    };
    const bool root = ::geteuid() == 0;
    const Case cases[] = {
        // Only root can make a device node; anyone else may safely be given the real one.
        {"a device",
         [&](const fs::path& dir, const fs::path&) -> fs::path {
             if (!root) return "/dev/null";
             EXPECT_EQ(::mknod((dir / "null").c_str(), S_IFCHR | 0666, makedev(1, 3)), 0);
             return dir / "null";
         },
         "not a regular file", stays(fs::file_type::character)},
        {"a FIFO",
         [](const fs::path& dir, const fs::path&) {
             EXPECT_EQ(::mkfifo((dir / "fifo").c_str(), 0666), 0);
             return dir / "fifo";
         },
         "not a regular file", stays(fs::file_type::fifo)},
        {"a socket",
         [](const fs::path& dir, const fs::path&) {
             sockaddr_un address{};
             address.sun_family = AF_UNIX;
             std::strncpy(address.sun_path, (dir / "socket").c_str(), sizeof address.sun_path - 1);
             int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
             EXPECT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
             ::close(fd);
             return dir / "socket";
         },
         "not a regular file", stays(fs::file_type::socket)},
        {"a folder",
         [](const fs::path& dir, const fs::path&) {
             fs::create_directory(dir / "folder.wtr");
             return dir / "folder.wtr";
         },
         "not a regular file", stays(fs::file_type::directory)},
        {"the input itself", [](const fs::path&, const fs::path& input) { return input; },
         "same file as the input", stays(fs::file_type::regular)},
        {"a link to the input",
         [](const fs::path& dir, const fs::path& input) {
             fs::create_symlink(input.filename(), dir / "link.wtr");
             return dir / "link.wtr";
         },
         "same file as the input", stays(fs::file_type::symlink)},
        {"a hard link to the input",
         [](const fs::path& dir, const fs::path& input) {
             fs::create_hard_link(input, dir / "hard.wtr");
             return dir / "hard.wtr";
         },
         "same file as the input", stays(fs::file_type::regular)},
        // The new file goes where the link leads; the link stays a link.
        {"a link into another folder",
         [&](const fs::path& dir, const fs::path&) {
             fs::create_directory(dir / "other");
             oldFile(dir / "other" / "target.wtr", 0644);
             fs::create_symlink("other/target.wtr", dir / "link.wtr");
             return dir / "link.wtr";
         },
         nullptr,
         [](const fs::path& output) {
             EXPECT_TRUE(fs::is_symlink(output));
             EXPECT_EQ(fs::file_size(output.parent_path() / "other" / "target.wtr"), kWtrSize);
         }},
        {"a link to no file yet",
         [](const fs::path& dir, const fs::path&) {
             fs::create_symlink("made.wtr", dir / "dangling.wtr");
             return dir / "dangling.wtr";
         },
         nullptr,
         [](const fs::path& output) {
             EXPECT_TRUE(fs::is_symlink(output));
             EXPECT_EQ(fs::file_size(output.parent_path() / "made.wtr"), kWtrSize);
         }},
        {"a private file",
         [&](const fs::path& dir, const fs::path&) { return oldFile(dir / "private.wtr", 0600); },
         nullptr, replacedWithMode(0600)},
        {"a file shared with its group",
         [&](const fs::path& dir, const fs::path&) { return oldFile(dir / "shared.wtr", 0660); },
         nullptr, replacedWithMode(0660)},
        // Refused even for root, who could write it: the mode says to keep it.
        {"a read-only file",
         [&](const fs::path& dir, const fs::path&) { return oldFile(dir / "readonly.wtr", 0444); },
         "Permission denied",
         [&](const fs::path& output) {
             EXPECT_EQ(Stat(output).st_mode & 07777, 0444u);
             EXPECT_TRUE(testing::ReadBytes(output) == old);
         }},
    };

    const passwd* nobody = ::getpwnam("nobody");
    ASSERT_TRUE(!root || nobody != nullptr);
    for (bool asNobody : root ? std::vector<bool>{false, true} : std::vector<bool>{false}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.what) + (asNobody ? ", as nobody" : ""));
            testing::TempDir dir;
            const fs::path input = dir / "in.gtm";
            testing::WriteBytes(input, gtm);
            const fs::path output = c.arrange(dir.path(), input);
            // Everything belongs to nobody, so root also replaces a file it does not own.
            if (root) {
                ::lchown(dir.path().c_str(), nobody->pw_uid, nobody->pw_gid);
                for (const auto& entry : fs::recursive_directory_iterator(dir.path())) {
                    ::lchown(entry.path().c_str(), nobody->pw_uid, nobody->pw_gid);
                }
            }
            const struct stat before = Stat(output);

            auto result =
                testing::RunProgram({.asNobodyWhenRoot = asNobody}, {GTM2WTR_PATH, input, output});
            ASSERT_EQ(result.signal, 0) << "the child hung or crashed";
            EXPECT_EQ(result.exitCode, c.says ? 1 : 0) << result.output;
            if (c.says) {
                EXPECT_NE(result.output.find(std::string("cannot write the WTR file: ") + c.says),
                          std::string::npos)
                    << result.output;
            }
            c.check(output);
            EXPECT_TRUE(testing::ReadBytes(input) == gtm) << "the input changed";
            const struct stat after = Stat(output);
            EXPECT_EQ(after.st_uid, before.st_uid);
            EXPECT_EQ(after.st_gid, before.st_gid);
            for (const auto& entry : fs::recursive_directory_iterator(dir.path())) {
                EXPECT_NE(entry.path().filename().string()[0], '.') << "left behind: " << entry;
            }
        }
    }
}

}  // namespace
}  // namespace quendra

#endif  // _WIN32
