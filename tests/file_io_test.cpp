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

// What is read is checked by every conversion test; an empty file by Gtm2wtrTest.
TEST(ReadWholeFile, SaysWhyItCannot) {
    testing::TempDir dir;
    auto own = [](Failure code) { return make_error_code(code).default_error_condition(); };
    struct Case {
        std::filesystem::path path;
        Failure failure;
        std::error_condition cause;
    };
    const Case cases[] = {
        {dir / "missing", Failure::CannotOpen, std::errc::no_such_file_or_directory},
        {dir.path(), Failure::CannotOpen, own(Failure::NotRegularFile)},
#ifdef __linux__
        // A regular file whose stated size (a page) is more than it holds.
        {"/sys/devices/system/cpu/online", Failure::CannotRead, own(Failure::ShortRead)},
#endif
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        Failure failure = Failure::None;
        std::error_code cause = std::make_error_code(std::errc::io_error);
        FileBytes data = {1, 2, 3};
        EXPECT_FALSE(ReadWholeFile(c.path, data, &failure, &cause));
        EXPECT_EQ(failure, c.failure);
        EXPECT_EQ(cause.default_error_condition(), c.cause) << cause.message();
        EXPECT_TRUE(data.empty());
    }
}

TEST(SafeFileWriter, ReplacesOrMakesTheTargetOnCommitAndLeavesNoTraceWhenAbandoned) {
    testing::TempDir dir;
    testing::WriteBytes(dir / "out", Bytes(10, 'o'));
    {
        SafeFileWriter abandoned;
        ASSERT_TRUE(abandoned.Open(dir / "out") && abandoned.Write("new", 3));
    }
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"out"});
    SafeFileWriter writer;
    ASSERT_TRUE(writer.Open(dir / "out"));
    // A block larger than the write buffer goes out as it is, after what was buffered.
    Bytes content(3 << 20, 'n');
    ASSERT_TRUE(writer.Write("<", 1));
    ASSERT_TRUE(writer.Write(content.data(), content.size()));
    ASSERT_TRUE(writer.Write("!", 1));
    ASSERT_TRUE(writer.Commit());
    content.insert(content.begin(), '<');
    content.push_back('!');
    EXPECT_EQ(testing::ReadBytes(dir / "out"), content);
#ifndef _WIN32
    // A new file gets the usual permissions, not the private ones it was written with.
    const mode_t saved = ::umask(022);
    const bool made = writer.Open(dir / "new") && writer.Commit();
    ::umask(saved);
    ASSERT_TRUE(made);
    EXPECT_EQ(std::filesystem::status(dir / "new").permissions(), std::filesystem::perms(0644));
#endif
}

}  // namespace
}  // namespace quendra
