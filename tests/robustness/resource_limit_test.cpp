// A file that claims more than it holds (a huge waypoint count) is refused without
// allocating for the claim: each is read in a child that may map only 64 MiB more than it
// already does, so such an allocation fails there (or ends the child) instead of passing
// unnoticed. A file over 4 GiB is refused unread, and a compressed one that inflates to
// gigabytes without holding them.
#ifdef __linux__

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/robustness/child_process.h"
#include "tests/support/gtm_builder.h"
#include "tests/support/gzip.h"
#include "tests/support/temp_dir.h"
#include "waypoints/gtm_waypoint_set.h"
#include "waypoints/waypoint_file.h"

namespace quendra {
namespace {

using testing::GtmBuilder;

TEST(ClaimsBeyondTheFile, AreRefusedWithoutALargeAllocation) {
    // Counts of 2^31-1, and files cut inside a string or comment: GtmLoad's, in-process.
    struct Claim {
        const char* what;
        std::vector<std::uint8_t> file;
        Failure error = Failure::Truncated;
    };
    const Claim claims[] = {
        // 160 MB of records: an allocation that would succeed without the limit.
        {"4,000,000 waypoints", GtmBuilder().StatedWaypointCount(4'000'000).Add({}).Build()},
        {"over 4 GiB", {}, Failure::TooLarge},  // sparse: made below with no data written
        // gzip bombs of 4 MB: refused on their first bytes, or counted to the limit unkept.
        {"4 GiB of zeros, compressed", testing::GzipBomb({}, 4ull << 30), Failure::WrongSignature},
        {"a GTM header and 4 GiB of zeros, compressed",
         testing::GzipBomb(GtmBuilder().Add({}).Build(), 4ull << 30), Failure::InflatedTooLarge},
    };
    testing::TempDir dir;
    for (const Claim& claim : claims) testing::WriteBytes(dir / claim.what, claim.file);
    ASSERT_EQ(::truncate((dir / "over 4 GiB").c_str(), (1LL << 32) + 1), 0);

    for (const Claim& claim : claims) {
        SCOPED_TRACE(claim.what);
        auto result = testing::RunInChild({.extraAddressSpace = 64 << 20}, [&] {
            GtmWaypointSet set;
            bool loaded = set.Load(dir / claim.what);
            return loaded || set.error != claim.error || set.records;
        });
        EXPECT_EQ(result.exitCode, 0) << "refused wrongly, or a signal: " << result.output;
    }
}

// 100,000 waypoints (4.3 MB) whose trailer claims 137 MiB: the buffer grows with what
// inflates, so the claim is never allocated and the data is refused for its wrong length.
// Stored, not deflated, so the claim is only 33 times the member's size.
TEST(ALyingGzipTrailer, CostsUnderThreeTimesTheRealSize) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer keeps freed buffers mapped, to catch later use of them";
#endif
    GtmBuilder builder;
    for (int i = 0; i < 100'000; ++i) builder.Add({});
    const std::size_t real = builder.Build().size();
    const std::vector<std::uint8_t> made = testing::Gzip(builder.Build(), 0);
    FileBytes gz(made.begin(), made.end());
    const std::uint32_t claim = 137u << 20;
    for (int i = 0; i < 4; ++i) gz[gz.size() - 4 + i] = static_cast<std::uint8_t>(claim >> 8 * i);

    auto result = testing::RunInChild({.extraAddressSpace = 3 * real}, [&] {
        Failure error = Failure::None;
        return InflateIfCompressed(gz, error) || error != Failure::CompressedCorrupt;
    });
    EXPECT_EQ(result.exitCode, 0) << result.output;
}

// A GPX file is read in pieces, inflated as it is parsed: 60 MB of track points around five
// waypoints load within 24 MiB, plain or compressed.
TEST(ALargeGpxFile, IsReadInLittleMemory) {
    std::string gpx = "<?xml version=\"1.0\"?>\n<gpx version=\"1.1\">\n";
    for (int i = 0; i < 5; ++i) gpx += "<wpt lat=\"25\" lon=\"121\"><name>山</name></wpt>\n";
    gpx += "<trk><trkseg>\n";
    const std::string point =
        "<trkpt lat=\"25.0123456\" lon=\"121.0123456\"><ele>12.5</ele></trkpt>\n";
    const std::size_t points = (60 << 20) / point.size();
    gpx.reserve(gpx.size() + points * point.size() + 32);
    for (std::size_t i = 0; i < points; ++i) gpx += point;
    gpx += "</trkseg></trk></gpx>\n";
    const std::vector<std::uint8_t> plain(gpx.begin(), gpx.end());
    gpx = {};
    testing::TempDir dir;
    testing::WriteBytes(dir / "track.gpx", plain);
    testing::WriteBytes(dir / "track.gpx.gz", testing::Gzip(plain, 1));

    for (const char* name : {"track.gpx", "track.gpx.gz"}) {
        SCOPED_TRACE(name);
        auto result = testing::RunInChild({.extraAddressSpace = 24 << 20}, [&] {
            CodePageEncoder names;
            WaypointFile file;
            bool loaded = names.Open(kGpxNameCodePage) && file.Load(dir / name, names);
            return !loaded || file.set.count != 5 ||
                   file.gpx.trackPoints != static_cast<std::int64_t>(points);
        });
        EXPECT_EQ(result.exitCode, 0) << result.output;
    }
}

}  // namespace
}  // namespace quendra

#endif  // __linux__
