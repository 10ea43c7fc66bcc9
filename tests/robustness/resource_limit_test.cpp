// A file that claims more than it holds (a huge waypoint or entry count, the longest
// strings and comments) is refused, and never by way of a large allocation: each claim is
// read in a child whose address space allows only 64 MiB more than it already maps, so an
// attempt to allocate for the claim fails there (or ends the child) instead of passing.
#ifndef _WIN32

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "platform/file_io.h"
#include "tests/robustness/child_process.h"
#include "tests/support/gtm_builder.h"
#include "waypoints/gtm_waypoint_set.h"

#if defined(__SANITIZE_ADDRESS__)
#define QUENDRA_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUENDRA_ASAN 1
#endif
#endif

namespace quendra {
namespace {

namespace fs = std::filesystem;
using testing::ChildConditions;
using testing::ChildResult;
using testing::GtmBuilder;
using testing::GtmRecordSpec;
using testing::RunInChild;
using Bytes = std::vector<std::uint8_t>;

constexpr rlim_t kHeadroom = 64 << 20;
constexpr std::int32_t kInt32Max = std::numeric_limits<std::int32_t>::max();

ChildConditions LittleMemory() {
#ifdef __linux__
    return {.extraAddressSpace = kHeadroom};
#else
    return {};
#endif
}

Bytes Patched(Bytes bytes, std::size_t at, std::uint16_t value) {
    bytes.at(at) = static_cast<std::uint8_t>(value);
    bytes.at(at + 1) = static_cast<std::uint8_t>(value >> 8);
    return bytes;
}

struct Claim {
    const char* what;
    Bytes file;
    FileError expected;
};

std::vector<Claim> Claims() {
    GtmBuilder oneWaypoint = GtmBuilder().Add({});
    std::size_t firstRecord = oneWaypoint.FirstRecordOffset();
    GtmBuilder lyingExtras = GtmBuilder().StatedExtraCount(kInt32Max).ExtraEntry("a", "b");
    for (int i = 0; i < 50; ++i) lyingExtras.Add({});
    return {
        {"2^31-1 waypoints", GtmBuilder().StatedWaypointCount(kInt32Max).Add({}).Build(),
         FileError::Truncated},
        // 160 MB of records: an allocation that would succeed without the limit.
        {"4 million waypoints", GtmBuilder().StatedWaypointCount(4'000'000).Add({}).Build(),
         FileError::Truncated},
        {"-2^31 waypoints",
         GtmBuilder().StatedWaypointCount(std::numeric_limits<std::int32_t>::min()).Add({}).Build(),
         FileError::Malformed},
        // The waypoints after the one real entry are walked as entries until the data ends.
        {"2^31-1 extra entries", lyingExtras.Build(), FileError::Truncated},
        {"-1 extra entries", GtmBuilder().StatedExtraCount(-1).Add({}).Build(),
         FileError::Malformed},
        {"a header string of 32767 bytes that are not there",
         Patched(oneWaypoint.Build(), 99, 0x7FFF), FileError::Truncated},
        {"a header string of length -1", Patched(oneWaypoint.Build(), 99, 0xFFFF),
         FileError::Malformed},
        {"a comment of 65535 bytes that are not there",
         Patched(oneWaypoint.Build(), firstRecord + 26, 0xFFFF), FileError::Truncated},
    };
}

TEST(ClaimsBeyondTheFile, AreRefusedWithoutAllocatingForThem) {
    for (const Claim& claim : Claims()) {
        SCOPED_TRACE(claim.what);
        ChildResult result = RunInChild(LittleMemory(), [&] {
            GtmWaypointSet set;
            VectorLineSink lines;
            bool loaded = set.LoadFromBytes(claim.file, lines);
            std::ostringstream report;
            report << loaded << ' ' << static_cast<int>(set.error) << ' ' << set.count << ' '
                   << (set.records != nullptr) << ' ' << lines.lines.size();
            return report.str();
        });
        ASSERT_FALSE(result.setupFailed) << "could not limit the child's address space";
        ASSERT_TRUE(result.exited)
            << "the child died (signal " << result.signal << "): an allocation for the claim?";
        std::ostringstream expected;
        expected << 0 << ' ' << static_cast<int>(claim.expected) << " 0 0 0";
        EXPECT_EQ(result.report, expected.str()) << "loaded, error, count, records, lines";
    }
}

// The same lengths are fine when the file really holds them, and each record is found at
// 43 + K bytes after the last with no 16-bit wrap.
TEST(LongestLengths, LoadWhenTheFileHoldsThem) {
    std::string longest(32767, 's');
    GtmRecordSpec first;
    first.name = "FIRST";
    first.comment.assign(65535, '\x7F');
    first.icon = 60;
    first.altitude = 1234.5f;
    GtmRecordSpec second;
    second.name = "SECOND";
    second.latitude = -0.7;
    second.altitude = -12.0f;
    Bytes file = GtmBuilder()
                     .HeaderStrings({longest, longest, longest, longest})
                     .ExtraEntry(longest, longest)
                     .Datum(81)
                     .Add(first)
                     .Add(second)
                     .Build();

    GtmWaypointSet set;
    VectorLineSink lines;
    ASSERT_TRUE(set.LoadFromBytes(file, lines));
    ASSERT_EQ(set.count, 2);
    EXPECT_EQ(set.datumCode, 81);
    EXPECT_STREQ(set.records[0].name, "FIRST");
    EXPECT_EQ(set.records[0].iconCode, 60);
    EXPECT_EQ(set.records[0].altitude, 1234.5f);
    EXPECT_STREQ(set.records[1].name, "SECOND");
    EXPECT_EQ(set.records[1].latitude, -0.7);
    EXPECT_EQ(set.records[1].altitude, -12.0f);
    EXPECT_EQ(lines.lines.size(), 2u);
}

// A sparse file: its size says 4 GiB and more, but no data has to be written to say it.
class SparseFile : public ::testing::Test {
protected:
    void TearDown() override {
        std::error_code ignored;
        fs::remove(path_, ignored);
    }
    bool Make(std::uint64_t size) {
        path_ = fs::temp_directory_path() / ("quendra-sparse-" + std::to_string(::getpid()));
        int fd = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0) return false;
        bool made = ::ftruncate(fd, static_cast<off_t>(size)) == 0;
        ::close(fd);
        return made;
    }
    fs::path path_;
};

TEST_F(SparseFile, OverFourGiBIsRefusedUnread) {
    if (!Make(std::uint64_t{1} << 32 | 1)) GTEST_SKIP() << "no sparse files in the temp folder";
    ChildResult result = RunInChild(LittleMemory(), [&] {
        std::vector<std::uint8_t> data;
        ReadFailure failure = ReadFailure::None;
        bool read = ReadWholeFile(path_, data, &failure);
        return std::to_string(read) + ' ' + std::to_string(static_cast<int>(failure));
    });
    ASSERT_TRUE(result.exited) << "signal " << result.signal;
    EXPECT_EQ(result.report, "0 " + std::to_string(static_cast<int>(ReadFailure::TooLarge)));
}

// A file too large for the memory there is: an ordinary failure, not a crash.
TEST_F(SparseFile, ImageThatCannotBeAllocatedIsAnOrdinaryFailure) {
#if defined(QUENDRA_ASAN)
    GTEST_SKIP() << "ASan's allocator ends the process when memory runs out; the plain "
                    "build runs this";
#elif !defined(__linux__)
    GTEST_SKIP() << "needs an address-space limit";
#else
    if (!Make(kHeadroom * 4)) GTEST_SKIP() << "no sparse files in the temp folder";
    ChildResult result = RunInChild(LittleMemory(), [&] {
        GtmWaypointSet set;
        VectorLineSink lines;
        bool loaded = set.Load(path_, lines);
        return std::to_string(loaded) + ' ' + std::to_string(static_cast<int>(set.error));
    });
    ASSERT_TRUE(result.exited) << "signal " << result.signal;
    EXPECT_EQ(result.report, "0 " + std::to_string(static_cast<int>(FileError::TooLarge)));
#endif
}

}  // namespace
}  // namespace quendra

#endif  // _WIN32
