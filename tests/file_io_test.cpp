// Reading whole files and replacing files only once the new content is complete.
#include "platform/file_io.h"

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace quendra {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(ReadWholeFile, ReadsEveryByteAndSaysWhyItCannot) {
    testing::TempDir dir;
    Bytes content(100000);
    for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<std::uint8_t>(i * 7);
    testing::WriteBytes(dir / "data", content);
    testing::WriteBytes(dir / "empty", {});

    Bytes data;
    ASSERT_TRUE(ReadWholeFile(dir / "data", data));
    EXPECT_EQ(data, content);

    auto own = [](FileIoErrc code) { return make_error_code(code).default_error_condition(); };
    struct Case {
        std::filesystem::path path;
        ReadFailure failure;
        std::error_condition cause;
    };
    const Case cases[] = {
        {dir / "empty", ReadFailure::Empty, {}},
        {dir / "missing", ReadFailure::CannotOpen, std::errc::no_such_file_or_directory},
        {dir.path(), ReadFailure::CannotOpen, own(FileIoErrc::NotRegularFile)},
#ifdef __linux__
        // A regular file whose stated size (a page) is more than it holds.
        {"/sys/devices/system/cpu/online", ReadFailure::CannotRead, own(FileIoErrc::ShortRead)},
#endif
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        ReadFailure failure = ReadFailure::None;
        std::error_code cause = std::make_error_code(std::errc::io_error);
        data = {1, 2, 3};
        EXPECT_FALSE(ReadWholeFile(c.path, data, &failure, &cause));
        EXPECT_EQ(failure, c.failure);
        EXPECT_EQ(cause.default_error_condition(), c.cause) << cause.message();
        EXPECT_TRUE(data.empty());
    }
}

TEST(SafeFileWriter, CommitReplacesTheTarget) {
    testing::TempDir dir;
    testing::WriteBytes(dir / "out", Bytes(10, 'o'));
    SafeFileWriter writer;
    ASSERT_TRUE(writer.Open(dir / "out"));
    // Larger than the write buffer, so several flushes happen.
    Bytes content(3 << 20, 'n');
    ASSERT_TRUE(writer.Write(content.data(), content.size()));
    ASSERT_TRUE(writer.Write("!", 1));
    EXPECT_EQ(testing::ReadBytes(dir / "out"), Bytes(10, 'o')) << "untouched until Commit";
    ASSERT_TRUE(writer.Commit());
    content.push_back('!');
    EXPECT_EQ(testing::ReadBytes(dir / "out"), content);
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"out"});
}

TEST(SafeFileWriter, AnAbandonedWriteLeavesTheOldFileAndNoTrace) {
    testing::TempDir dir;
    testing::WriteBytes(dir / "out", Bytes(10, 'o'));
    {
        SafeFileWriter writer;
        ASSERT_TRUE(writer.Open(dir / "out"));
        ASSERT_TRUE(writer.Write("new", 3));
#ifdef __linux__
        EXPECT_EQ(dir.Names().size(), 1u) << "the new bytes live in an unnamed file";
#else
        EXPECT_EQ(dir.Names().size(), 2u) << "the temporary file sits beside the target";
#endif
    }
    EXPECT_EQ(testing::ReadBytes(dir / "out"), Bytes(10, 'o'));
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"out"});
}

TEST(SafeFileWriter, ANewFileGetsTheUsualPermissions) {
#ifndef _WIN32
    testing::TempDir dir;
    mode_t saved = ::umask(022);
    SafeFileWriter writer;
    bool written = writer.Open(dir / "out") && writer.Commit();
    ::umask(saved);
    ASSERT_TRUE(written);
    auto perms = std::filesystem::status(dir / "out").permissions();
    EXPECT_NE(perms & std::filesystem::perms::group_read, std::filesystem::perms::none)
        << "a private temporary-file mode must not leak into the result";
#else
    GTEST_SKIP() << "POSIX permissions";
#endif
}

}  // namespace
}  // namespace quendra
